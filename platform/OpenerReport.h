// What Go To tells the user when the desktop's opener (xdg-open) has failed: the reason it gave on its
// standard error, or else what its exit status stands for.
#pragma once

#include <QByteArray>
#include <QString>

namespace openerReport {

// Empty when the opener succeeded (exit status 0) or its end is unknown (-1). Otherwise the last non-empty
// line of `errorTail` as OneLine shows it, or, when it wrote nothing, the meaning of its exit status as
// xdg-open documents them (1 a syntax error, 2 a file that does not exist, 3 a tool it needs missing, 4 the
// action failed), or the signal that ended it. `waitStatus` is as waitpid gives it.
QString FailureReason(int waitStatus, const QByteArray& errorTail);

// A text as the one-line status shows it: control and format characters (line breaks, escapes,
// direction overrides) dropped, and at most `longest` characters, the last of them an ellipsis.
QString OneLine(const QString& text, qsizetype longest);

} // namespace openerReport
