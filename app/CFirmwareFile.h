// The firmware file beside the program: the first "fw*.wav" of its folder
// and the version that its name carries.
#pragma once

#include <QString>
#include <optional>

class CFirmwareFile {
 public:
  // The name (without folder) of the first firmware file of strFolder in
  // case-insensitive name order, or an empty text when there is none.
  // Only ordinary, visible files count; a name too short to carry a version
  // ("fw.wav") is no firmware file.
  static QString Find(const QString& strFolder);

  // Whether a name matches "fw*.wav", letters compared without regard to case.
  static bool MatchesPattern(const QString& strName);

  // The name without its first three and last four characters ("fw_1.07.wav"
  // gives "1.07"); nullopt when the name is shorter than seven characters.
  static std::optional<QString> Version(const QString& strName);
};
