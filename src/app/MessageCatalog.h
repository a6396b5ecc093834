// The message texts of the settings file: every (section, key) the program reads from the
// sections [Other], [File Header] and [Err_Msg], with the placeholders its text must carry.
//
// The texts themselves ship in resources/Tarvex.ini; this table is the one place in the code that
// says which keys exist and what each line is handed. Code that writes a log line names its text
// through these entries, and the shipped-settings test checks the file against them.
#pragma once

#include <string_view>
#include <vector>

namespace tarvex {

// Section names of the message texts.
inline constexpr std::string_view kSectionOther = "Other";
inline constexpr std::string_view kSectionFileHeader = "File Header";
inline constexpr std::string_view kSectionErrMsg = "Err_Msg";

// Placeholder filled by the engine with the blanks that line up a field error line after its
// hexadecimal text.
inline constexpr std::string_view kPaddingPlaceholder = "<#X#>";

// One message text of the settings file.
struct MessageEntry {
  std::string_view section;  // kSectionOther, kSectionFileHeader or kSectionErrMsg
  std::string_view key;      // key as written in the file ("7", "N-24", "01", ...)
  // Placeholders the text must hold ("<#1#>", "<#X#>", ...). The writer of the line fills them;
  // a text without one of them loses that value.
  std::vector<std::string_view> placeholders;
  // Characters in front of the template that are not part of it: key "39" of [Other] starts
  // with two colour letters (the bad part of a value, the bad part of its hexadecimal display).
  size_t leadingColourLetters = 0;
  // True when the text goes to the log view and may carry colour markup; false for texts shown
  // in a message box, which shows them verbatim.
  bool markup = true;
  // True for keys that no line of the program writes at present; they are shipped so that a
  // settings file is complete.
  bool unused = false;
  // What the line reports, in one sentence.
  std::string_view use;
};

// Every message text the program reads, [Other] first, then [File Header], then [Err_Msg]. The
// table is built once and lives for the whole program.
const std::vector<MessageEntry>& messageCatalog();

// The entry of section and key (letter case ignored, as in the settings file); nullptr when the
// program reads no such text.
const MessageEntry* findMessage(std::string_view section, std::string_view key);

}  // namespace tarvex
