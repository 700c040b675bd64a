#pragma once
// The ids (in the language files) of texts that more than one of the
// window's commands shows.
#include <cstdint>

inline constexpr uint32_t kCancel = 108;
inline constexpr uint32_t kWarningCaption = 131;
inline constexpr uint32_t kFolderMissing = 132;
inline constexpr uint32_t kOutsideCard = 253;
inline constexpr uint32_t kShowInFileManager = 281;
inline constexpr uint32_t kNoFileManager = 282;
