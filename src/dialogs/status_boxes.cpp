#include "dialogs/status_boxes.h"

#include "driver/status_flags.h"

// Columns at x = 7, 102 and 196, rows ten units apart from y = 7. The order of
// the flags follows the layout, not the bit order of the status bytes. The
// journal box shows the printer's "short journal" bit the other way round.
const std::array<StatusBox, 32> kStatusBoxes = {{
    {1194, "ФП само за четене", 7, 7, Flag::kFMReadOnly, false},
    {1195, "Спад на напрежение", 7, 17, Flag::kVoltageDrop, false},
    {1196, "Прегрят принтер", 7, 27, Flag::kOverheated, false},
    {1181, "Несверен Часовник", 7, 37, Flag::kClockNotSet, false},
    {1182, "Хард.Грешка в Час. ", 7, 47, Flag::kClockHardware, false},
    {1183, "Грешен RAM", 7, 57, Flag::kRamReset, false},
    {1184, "Некорект. Часовник", 7, 67, Flag::kClockIncorrect, false},
    {1185, "Няма хартия", 7, 77, Flag::kNoPaper, false},
    {1188, "Ненулев Дневен", 7, 87, Flag::kDailyNotZeroed, false},
    {1189, "Ненулев Операторски", 7, 97, Flag::kOperatorNotZeroed, false},
    {1200, "Ненулев Артикулен", 7, 107, Flag::kArticleNotZeroed, false},
    {1202, "Отв.Служебен бон", 102, 7, Flag::kServiceReceiptOpen, false},
    {1203, "Отв.Фискален бон", 102, 17, Flag::kFiscalReceiptOpen, false},
    {1204, "Разш.касова бележка", 102, 27, Flag::kExtendedReceipt, false},
    {1205, "С ДДС в бона", 102, 37, Flag::kVatInReceipt, false},
    {1193, "Бона е фактура", 102, 47, Flag::kInvoice, false},
    {1207, "Липсва ФП", 102, 57, Flag::kFMMissing, false},
    {1208, "Грешна ФП", 102, 67, Flag::kFMFaulty, false},
    {1190, "Пълна ФП", 102, 77, Flag::kFMFull, false},
    {1210, "Под 50 записа във ФП", 102, 87, Flag::kFMFewRecords, false},
    {1186, "Препълв.в Отчетите", 102, 97, Flag::kReportOverflow, false},
    {1201, "Неотпечатан Дубликат", 196, 7, Flag::kDuplicatePending, false},
    {1211, "Дробни числа", 196, 17, Flag::kDecimals, false},
    {1212, "Фискализиран", 196, 27, Flag::kFiscalized, false},
    {1213, "Зададени фабр.номера", 196, 37, Flag::kFactoryNumbers, false},
    {1214, "Авт.отрязване на бел.", 196, 47, Flag::kAutoCut, false},
    {1215, "Прозрачен дисплей", 196, 57, Flag::kTransparentDisplay, false},
    {1216, "Baud Rate", 196, 67, Flag::kBaudRate, false},
    {1209, "Авт.отваряне на чекм.", 196, 77, Flag::kAutoDrawer, false},
    {1187, "С печат на лого", 196, 87, Flag::kLogo, false},
    {1191, "Подробна ЕКЛ", 196, 97, Flag::kJournalBit, true},
    {1192, "Печат на валута в бона", 196, 107, Flag::kCurrency, false},
}};
