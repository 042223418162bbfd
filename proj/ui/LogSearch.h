// The log viewer's search over the text area's text. Offsets and lengths count in the one string
// that the text area shows (its QChar positions, which are also its cursor positions), and case is
// folded one character at a time, so a character whose upper-case form is longer ("ß") or a line
// of non-ASCII text can never shift a match against the selection it makes.
#pragma once

#include <QString>

namespace brivak::ui {

// The first occurrence of `query` at or after `from` (0-based), ignoring case; -1 when there is
// none, when `query` is empty or `from` lies outside the text.
int FindForward(const QString& text, const QString& query, int from);
// The last occurrence of `query` that ends at or before `selectionStart`, ignoring case; its
// 0-based start, or -1 when there is none (also for an empty query, a selection start before the
// query's length, or a text shorter than the query).
int FindBackward(const QString& text, const QString& query, int selectionStart);

}  // namespace brivak::ui
