#include "platform/ui_platform.h"

#include "desktop/print_placement.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace platform {
namespace {
UiPlatform*& installed() {
    static UiPlatform* p = nullptr;
    return p;
}
}  // namespace

UiPlatform& ui() {
    static QtUiPlatform qtPlatform;
    return installed() ? *installed() : qtPlatform;
}

void setUi(UiPlatform* p) { installed() = p; }
}  // namespace platform

namespace {
QString filterString(const QList<UiPlatform::FileFilter>& filters) {
    QStringList parts;
    for (const auto& f : filters) {
        // Patterns match regardless of case, as the user expects on any desktop.
        QString pattern = f.pattern;
        if (pattern != QLatin1String("*.*") && pattern.toLower() != pattern)
            pattern += QLatin1Char(' ') + pattern.toLower();
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        // A description that names its pattern ("Text Files (*.txt)") shows it once.
        QString description = f.description;
        const qsizetype named = description.lastIndexOf(QStringLiteral(" ("));
        if (named > 0 && description.endsWith(QLatin1Char(')'))) description.truncate(named);
        parts << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return parts.join(QStringLiteral(";;"));
}

// The part of the paper the printer reaches, in device pixels from its corner.
QRectF printableArea(const QPrinter& printer) {
    QPageLayout layout = printer.pageLayout();
    layout.setMode(QPageLayout::StandardMode);
    layout.setMargins(layout.minimumMargins());
    return layout.paintRectPixels(printer.resolution());
}

bool paintImage(QPrinter& printer, const QImage& image, QString* error) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) *error = QStringLiteral("The printer could not be started.");
        return false;
    }
    // The picture at its natural size (a screen pixel is 1/96 inch), unless the page is too small for it.
    const qreal scale = printer.resolution() / 96.0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(printPlacement(QSizeF(image.size()) * scale, printableArea(printer)), image);
    return painter.end();
}
}  // namespace

UiPlatform::Answer QtUiPlatform::messageBox(QWidget* parent, const QString& text, const QString& caption,
                                            Buttons buttons, Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    if (buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        if (buttons == Buttons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

std::optional<QString> QtUiPlatform::inputBox(QWidget* parent, const QString& prompt,
                                              const QString& caption, const QString& initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
}

std::optional<QString> QtUiPlatform::openFileDialog(QWidget* parent, const QString& title,
                                                    const QList<FileFilter>& filters,
                                                    const QString& defaultName, const QString& folder) {
    QFileDialog dialog(parent, title, folder.trimmed().isEmpty() ? QString() : folder, filterString(filters));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    if (!defaultName.isEmpty()) dialog.selectFile(defaultName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtUiPlatform::saveFileDialog(QWidget* parent, const QList<FileFilter>& filters,
                                                    const QString& folder, const QString& defaultSuffix) {
    QFileDialog dialog(parent, QString(), folder, filterString(filters));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // With the suffix on the name, the replace question the dialog asks (its
    // default) is about the file that is then written.
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString QtUiPlatform::clipboardText() { return QApplication::clipboard()->text(); }
void QtUiPlatform::setClipboardText(const QString& text) { QApplication::clipboard()->setText(text); }

bool QtUiPlatform::printImage(const QImage& image, QString* error) {
    if (QPrinterInfo::defaultPrinter().isNull()) {
        if (error) *error = QStringLiteral("No printer is installed.");
        return false;
    }
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setFullPage(true);
    if (!paintImage(printer, image, error)) {
        if (error && error->isEmpty()) *error = QStringLiteral("The page could not be printed.");
        return false;
    }
    return true;
}

bool QtUiPlatform::printImageToPdf(const QImage& image, const QString& pdfPath, QString* error,
                                   const QMarginsF& unprintableMm) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    printer.setFullPage(true);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMinimumMargins(unprintableMm);
    printer.setPageLayout(layout);
    return paintImage(printer, image, error);
}
