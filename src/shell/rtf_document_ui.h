#pragma once

#include <QByteArray>

class QTextDocument;

// Fills the document with the help file's text: rich text when the bytes are
// RTF, otherwise the bytes as plain text in the locale's encoding. Whatever
// part of a damaged RTF file can be read is shown.
void loadHelpText(QTextDocument& document, const QByteArray& bytes);
