#include "app/distributor.h"

#include <wx/config.h>

bool ReadDistributorMode(wxConfigBase& config) {
  long value = 0;
  if (!config.Read("Distributor", &value)) value = 0;
  return value != 0;
}

bool ReadDistributorMode() {
  wxConfig config("NFPService", "Dravel", wxEmptyString, wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
  return ReadDistributorMode(config);
}
