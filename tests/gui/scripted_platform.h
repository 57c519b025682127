#pragma once

#include "platform/ui_platform.h"

#include <QList>
#include <QString>
#include <deque>

// Answers the program's dialogs from a script and records what was asked, so
// a test can click "Save" and pick a file. An unscripted question is answered
// the safe way (No, cancel, empty) and recorded all the same.
class ScriptedPlatform final : public UiPlatform {
public:
    struct Asked {
        QString kind;      // "message", "input", "open", "save", "print"
        QString text;      // message text, input prompt or dialog title
        QString caption;   // message or input caption
        QString folder;    // file dialogs: the initial folder
        QStringList filters;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString initial;   // input box pre-filled text; save dialog: the default suffix
    };

    ScriptedPlatform() { platform::setUi(this); }
    ~ScriptedPlatform() override { platform::setUi(nullptr); }

    std::deque<Answer> messageAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;  // open and save dialogs
    QString clipboard;
    bool printerAvailable = false;
    QString printedPdf;  // when set, printImage writes the page there
    QMarginsF unprintableMm;  // the edges of that page the printer cannot reach
    QList<Asked> asked;

    Answer messageBox(QWidget*, const QString& text, const QString& caption, Buttons buttons,
                      Icon icon) override;
    std::optional<QString> inputBox(QWidget*, const QString& prompt, const QString& caption,
                                    const QString& initial) override;
    std::optional<QString> openFileDialog(QWidget*, const QString& title, const QList<FileFilter>& filters,
                                          const QString& defaultName, const QString& folder) override;
    std::optional<QString> saveFileDialog(QWidget*, const QList<FileFilter>& filters, const QString& folder,
                                          const QString& defaultSuffix) override;
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    bool printImage(const QImage& image, QString* error) override;

    // The messages shown so far, in order.
    QStringList messages() const;
};
