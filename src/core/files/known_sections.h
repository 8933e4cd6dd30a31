#pragma once
// Whether a keyword file holds anything a configuration reader knows. A file with none of the
// readers' sections (a note, a file of another program, a damaged copy) still loads as the
// defaults, but the operator must be told that nothing of it was used.

#include <string>

#include "core/model/configuration.h"

namespace tem {

class KeywordFile;

/// Whether any section of f is one the reader of format fmt reads (without regard to case).
bool HasConfigurationSection(const KeywordFile& f, TINIFileFormat fmt);

/// The first message of a read in which no section was recognised.
std::string NoConfigurationSectionsMessage(const std::string& fileName);

} // namespace tem
