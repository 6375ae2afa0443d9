#pragma once
// The file system's bytes for a path the toolkit hands over as text (a file dialog's
// choice, a dropped file's URL). Qt reads names as UTF-8 and turns bytes that are not
// UTF-8 into U+FFFD, so encoding such a text again (QFile::encodeName) names a file that
// does not exist. Here each component that does not exist under its encoded name is
// looked up among the entries of the directory before it: the one entry that reads as
// that text is taken. Components that find no such single entry (a file about to be
// made, a name two entries share) keep their encoded bytes, as do all after them.
// GUI thread; reads the directories it walks.

#include <QByteArray>
#include <QString>

QByteArray NativePath(const QString& path);
