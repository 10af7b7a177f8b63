// Telling the files that convert, restore and inspect read apart by their content, not their
// name, and the format objects that read and write the interchange formats.
#pragma once

#include "files/backup_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum class FileKind { Usms, Xml, Json, Other };

// By the first bytes of a file of this size: a Unicode backup when its digest fits the size,
// XML when markup begins it (after an optional byte-order mark), JSON when an object does.
FileKind DetectFileKind(std::string_view head, std::uint64_t size);
// The same for a file; Other when it cannot be read.
FileKind DetectFileKind(const std::u16string& path);

// The reader for a kind of file: the Unicode backup's for Usms and Other, so that a file of
// no known kind fails its validation as a damaged backup does.
std::unique_ptr<BackupFile> MakeReader(FileKind kind);

// The interchange formats by their command-line names, "xml" and "json".
std::unique_ptr<BackupFile> MakeInterchangeFormat(std::string_view name);
