#pragma once

class wxConfigBase;

// The distributor switch: true when the value "Distributor" of the program's
// configuration (vendor "Dravel", application "NFPService") is a non-zero
// number. On Windows that is the registry key
// HKEY_CURRENT_USER\Software\Dravel\NFPService, read with the registry calls
// (its first four bytes, whatever the stored type); on Linux the file
// ~/.NFPService with a line "Distributor=1". Read only; a missing file, key or
// value, or a value that is not a number, means false.
bool ReadDistributorMode();
bool ReadDistributorMode(wxConfigBase& config);
