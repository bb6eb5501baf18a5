// Padora.INI from anywhere: reading it never fails badly, the options read back exactly as they
// were written, and a folder written back reads the same after one pass (values lose their quotes
// and outer blanks on reading, as they always did).
#include "FuzzFile.h"

#include "app/settings/Option.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CSettingsFile file(QString::fromStdString(fuzz::WriteInput(data, size, ".INI")));
    OPTIONDATA first{}, second{};
    LoadOption(first, file);
    SaveOption(first, file);
    LoadOption(second, file);
    if (std::memcmp(&first, &second, sizeof first) != 0)
        std::abort();
    SetGrpFolder(GetGrpFolder(file), file);
    const QString once = GetGrpFolder(file);
    SetSndFolder(once, file);
    SetGrpFolder(once, file);
    if (GetGrpFolder(file) != once || GetSndFolder(file) != once)
        std::abort();
    return 0;
}
