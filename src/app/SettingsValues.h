// Value rules of the settings file: number normalisation, the "Y"/"N" flag encoding, and the
// write-through of one editor value.
#pragma once

#include <string>
#include <string_view>

#include "common/Status.h"

namespace tarvex {

class IniFile;

// Number normalisation with a default: the trimmed value; empty or exactly "0" gives def; more
// than ten characters, or ten that compare greater than "2147483647" as text, give "2147483647".
std::string G_INI(std::string_view value, std::string_view def);

// Like G_INI, but "0" stays "0": only an empty value becomes def.
std::string NVL(std::string_view value, std::string_view def);

// Normalises value with NVL(value, "0"), writes it to [SETUP] under key and returns the text the
// editor shows. A write that fails is reported through *status; the text is returned anyway.
std::string Save_Ini(const IniFile& ini, std::string_view key, std::string_view value,
                     Status* status);

// Flag to text: "Y" or "N".
std::string BtoYN(bool flag);

// Writes value unchanged to [SETUP] under key and returns whether it is exactly "Y". A write
// that fails is reported through *status.
bool YNtoB(const IniFile& ini, std::string_view value, std::string_view key, Status* status);

}  // namespace tarvex
