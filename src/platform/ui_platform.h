#pragma once

#include <QImage>
#include <QMarginsF>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// The one seam between the windows and the desktop: message boxes, the input
// box, the file dialogs, the clipboard and the printer. The program uses the
// Qt implementation; a test installs its own to answer them.
class UiPlatform {
public:
    // YesNoDefaultNo: for questions where Enter must not destroy anything.
    enum class Buttons { Ok, YesNo, YesNoDefaultNo };
    enum class Icon { None, Information, Warning, Critical };
    enum class Answer { Ok, Yes, No, Cancel };

    struct FileFilter {
        QString description;  // "Text Files (*.txt)"
        QString pattern;      // "*.TXT"
    };

    virtual ~UiPlatform() = default;

    virtual Answer messageBox(QWidget* parent, const QString& text, const QString& caption,
                              Buttons buttons, Icon icon) = 0;
    // The typed text, or nothing when cancelled.
    virtual std::optional<QString> inputBox(QWidget* parent, const QString& prompt,
                                            const QString& caption, const QString& initial) = 0;
    // The chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openFileDialog(QWidget* parent, const QString& title,
                                                  const QList<FileFilter>& filters,
                                                  const QString& defaultName,
                                                  const QString& folder) = 0;
    // The chosen full path, or nothing when cancelled. folder may end in a
    // file name, which the dialog then suggests. A name typed without an
    // extension gets defaultSuffix ("txt"), and the dialog itself asks before
    // the file of that name is replaced.
    virtual std::optional<QString> saveFileDialog(QWidget* parent, const QList<FileFilter>& filters,
                                                  const QString& folder, const QString& defaultSuffix) = 0;
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    // Prints the picture at the top-left corner of the printable area of one
    // page of the default printer, scaled down to fit when it is too big.
    // Returns false with a reason when there is no printer or the job fails.
    virtual bool printImage(const QImage& image, QString* error) = 0;
};

namespace platform {
// The platform in use: the Qt one unless a test installed another.
UiPlatform& ui();
// Installs a platform (not owned); nullptr goes back to the Qt one.
void setUi(UiPlatform* platform);
}  // namespace platform

// The Qt implementation.
class QtUiPlatform final : public UiPlatform {
public:
    Answer messageBox(QWidget* parent, const QString& text, const QString& caption, Buttons buttons,
                      Icon icon) override;
    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& caption,
                                    const QString& initial) override;
    std::optional<QString> openFileDialog(QWidget* parent, const QString& title,
                                          const QList<FileFilter>& filters, const QString& defaultName,
                                          const QString& folder) override;
    std::optional<QString> saveFileDialog(QWidget* parent, const QList<FileFilter>& filters,
                                          const QString& folder, const QString& defaultSuffix) override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
    bool printImage(const QImage& image, QString* error) override;

    // Prints to a PDF file instead of the default printer (tests, "print to file"),
    // as a printer that cannot reach unprintableMm at the paper's edges would.
    static bool printImageToPdf(const QImage& image, const QString& pdfPath, QString* error,
                                const QMarginsF& unprintableMm = {});
};
