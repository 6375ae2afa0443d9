#pragma once
// The question before a save replaces a file that exists: the name that will be written
// (extension included, which the save dialog never sees) in a box captioned "Message"
// with OK and Cancel. GUI thread.

#include <QByteArray>

class Prompts;
class QWidget;

// True when no file is at `nativePath` (the file system's bytes; a dangling link counts as
// none) or the user answered OK.
bool ConfirmReplace(Prompts& prompts, QWidget* parent, const QByteArray& nativePath);
