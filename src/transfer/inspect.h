// Checking a backup file of any readable kind and reading every record of it, for a listing.
#pragma once

#include "model/memory_record.h"

#include <functional>
#include <string>

struct InspectResult {
    bool ok = false;
    std::u16string error; // the failure, concerning the file
    // Characters U+0000 left out of the file's texts, which no message can hold.
    unsigned long leftOut = 0;
};

// Opens and checks file as a restore would, then hands each record to each in order. opened
// is told the checked total and the elements that held no message (an XML file's <mms>) before
// the first record.
[[nodiscard]] InspectResult
InspectFile(const std::u16string& file,
            const std::function<void(DWORD total, unsigned long skipped)>& opened,
            const std::function<void(DWORD number, MemoryRecord& record)>& each);
