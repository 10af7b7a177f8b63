#include "export/ansi_encoder.h"

#include "files/file_access.h"

bool AnsiEncoder::WriteHeader(HANDLE /*file*/) const {
    return true;
}

std::string AnsiEncoder::Encode(const std::u16string& text) const {
    return WideToAnsi(text);
}

bool AnsiEncoder::WriteText(HANDLE file, const std::u16string& text) const {
    return WriteBytes(file, Encode(text));
}
