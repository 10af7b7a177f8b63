// The application's string table, by resource number.
#pragma once

#include "platform/resources.h"

#include <span>

namespace resources {

inline constexpr unsigned kIdsAppTitle = 128;
inline constexpr unsigned kIdsAccountInitFailed = 129;
inline constexpr unsigned kIdsWriteFileFailed = 130;
inline constexpr unsigned kIdsBackupCompleted = 131;
inline constexpr unsigned kIdsValidationFailed = 132;
inline constexpr unsigned kIdsRestoreCompleted = 133;
inline constexpr unsigned kIdsExit = 134;
inline constexpr unsigned kIdsSave = 135;
inline constexpr unsigned kIdsDone = 136;
inline constexpr unsigned kIdsCancel = 59281;
inline constexpr unsigned kIdsMenu = 59282;

// The table that the programs register with the platform at start-up.
std::span<const StringResource> StringTable();

} // namespace resources
