// The note commands that change the set of notes, without their windows: the last-note query, peeling
// off with its two questions, the five-slot undo list, the end of the program and the editing helpers.
#pragma once

#include "model/state.h"

#include <optional>
#include <string>
#include <vector>

namespace tw {

class Prompter;

// Modes of the last-note query.
enum LastNoteMode : int {
    kCountAll = -1,       // every open note window counts
    kCountUnpeeled = 0,   // peeled notes do not count
    kCountVisible = 1,    // nor, besides this note, notes waiting for their period or sent to vanish
};

// `openNotes` are the record indices of the open note windows (shown or hidden). True when exactly
// one of them counts in the given mode.
bool isLastNote(const AppState& st, int self, const std::vector<int>& openNotes, int mode);

inline const std::string kEndTitle = "終了";
inline const std::string kConfirmTitle = "確認";
std::string lastPeelQuestion();   // "全ての付箋紙をはがすとタックウィスプは終了します"
std::string peelRefusal();        // the two-line refusal

enum class PeelResult {
    Cancelled,   // the end question was answered with Cancel: nothing changed
    Refused,     // the only note that would stay visible: nothing changed
    Peeled,      // peeled and pushed on the undo list: hide its window
    PeeledLast,  // the last note: run the end of the program now
};

// Peels note `index` off. Asks through st.sys.prompter; a sent note's pending deliveries are taken
// out of the shared log (a failure there is reported by the log and does not stop the peel).
PeelResult peelNote(AppState& st, int index, const std::vector<int>& openNotes);

// Undo list: slot 0 is the most recent peel; a sixth peel forgets the oldest.
void pushUndo(AppState& st, int index);
// Removes slot k (later slots move down one). False when k is not a used slot.
bool removeUndo(AppState& st, int slot);
// The record index in slot k, or -1 for an unused slot.
int undoIndex(const AppState& st, int slot);
// Caption of slot k's menu entry: the first 20 characters of the note's text.
std::string undoCaption(const AppState& st, int slot);

// The files written when the program ends: the local settings, then the notes. A write that fails
// (for any reason) offers Retry and Cancel; Cancel keeps that file's content in the user's own data
// folder (recovery.h), and the user is told where.
enum class EndResult { Written, LocalWriteFailed, NotesWriteFailed };
EndResult writeFilesAtEnd(AppState& st);

// Dropped files while editing: CR LF and the full path per file, appended in order.
std::string appendDroppedFiles(std::string text, const std::vector<std::string>& paths);

// Note texts keep CR LF between lines; the edit box and the label work with plain line feeds, and
// show every byte that is no character as "?".
std::string toEditText(const std::string& noteText);
std::string fromEditText(const std::string& editText);

// The note's text once editing ends with `edited` in the edit box: the old text, byte for byte,
// while the box still shows what it began with; otherwise the edited text.
std::string textAfterEdit(const std::string& oldText, const std::string& edited);

// An edited text is kept only up to kMaxFieldBytes bytes in the file's code page; a longer one is
// refused with this notice (title "確認") and stays in the edit box. Empty when the text fits.
std::string editedTextRefusal(const std::string& noteText);

// Characters of an edited text that the note file cannot hold are named to the member (title "確認",
// at most kUnstorableNamed of them), who keeps the text with "?" in their places (Yes) or goes back to
// the edit (No). When editing cannot go on, a notice says that they were replaced.
constexpr size_t kUnstorableNamed = 20;
std::string unstorableQuestion(const std::vector<std::string>& names);
std::string unstorableNotice(const std::vector<std::string>& names);
// The text to keep once an edit ends with `text`: itself when the file holds all of it, else, once
// the member has been told, with the replacements; nothing when the member goes back to the edit.
std::optional<std::string> storableEditedText(Prompter& prompter, const std::string& text, bool mayGoOn);

// The About box's text: "タックウィスプ Version 1.71 R08".
std::string aboutText();
inline const std::string kAboutTitle = "バージョン情報";

}  // namespace tw
