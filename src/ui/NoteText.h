// The notes window's caption and text, built here so that they can be checked byte for byte.
#ifndef VESTRAND_UI_NOTETEXT_H
#define VESTRAND_UI_NOTETEXT_H

#include <string>

namespace vestrand {

// Who answers for the program: shown in the notes window's caption and signature.
extern const char* const kNoteAuthor;
// Where users send faults and suggestions.
extern const char* const kNoteContactAddress;

// "Vestrand帮助文档 - By " and the author.
std::string NoteFormCaption();

// The seventeen lines of usage notes, joined by CR LF, without a break after the last.
std::string NoteText();

}  // namespace vestrand

#endif
