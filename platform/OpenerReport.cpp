#include "OpenerReport.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <sys/wait.h>

namespace openerReport {
namespace {

// Long enough for any message of xdg-open's and of the tools it calls, short enough for the status line.
constexpr qsizetype kLongestReason = 200;

QString StatusMeaning(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("xdg-open reported a syntax error (status 1)");
    case 2:
        return QStringLiteral("the file does not exist (status 2)");
    case 3:
        return QStringLiteral("no program handles it (status 3: a tool xdg-open needs was not found)");
    case 4:
        return QStringLiteral("no program handles it (status 4: the action failed)");
    default:
        return QStringLiteral("xdg-open ended with status %1").arg(code);
    }
}

} // namespace

QString OneLine(const QString& text, qsizetype longest) {
    QString line;
    line.reserve(std::min(text.size(), longest + 1));
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            continue;
        }
        line.append(c);
        if (line.size() > longest) {
            break;
        }
    }
    line = line.trimmed();
    if (line.size() > longest) {
        line.truncate(longest - 1);
        // Not half of a surrogate pair before the ellipsis.
        if (!line.isEmpty() && line.back().isHighSurrogate()) {
            line.chop(1);
        }
        line.append(QChar(0x2026));
    }
    return line;
}

QString FailureReason(int waitStatus, const QByteArray& errorTail) {
    if (waitStatus == -1 || (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 0)) {
        return {};
    }
    const QStringList lines = QString::fromLocal8Bit(errorTail).split(QRegularExpression(QStringLiteral("[\r\n]")));
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString shown = OneLine(*line, kLongestReason);
        if (!shown.isEmpty()) {
            return shown;
        }
    }
    if (WIFSIGNALED(waitStatus)) {
        const int signal = WTERMSIG(waitStatus);
        return QStringLiteral("xdg-open was ended by signal %1 (%2)")
            .arg(signal)
            .arg(QString::fromLocal8Bit(::strsignal(signal)));
    }
    return StatusMeaning(WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : waitStatus);
}

} // namespace openerReport
