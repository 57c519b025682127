#include "shell/rtf_document_ui.h"

#include <QString>
#include <QTextDocument>

void loadHelpText(QTextDocument& document, const QByteArray& bytes) {
    document.setPlainText(QString::fromLocal8Bit(bytes));
}
