#include "history/save_search_dialog.h"

#include "build_info.h"
#include "history/load_search_dialog.h"
#include "history/saved_search.h"
#include "history/search_name.h"
#include "platform/ui_platform.h"
#include "results/results_grid.h"
#include "desktop/branding.h"
#include "desktop/skin_ui.h"
#include "desktop/twips.h"

#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
template <typename W>
W* placed(W* widget, const char* name, const QRect& twips) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(twipsToPixels(twips));
    return widget;
}
}  // namespace

SaveSearchDialog::SaveSearchDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Save Search Results"));
    setModal(true);
    setFixedSize(twipsToPixels(QRect(0, 0, 4935, 3765)).size());
    buildControls();
    if (branding().skinEnabled) {
        mirrorLabels(this);
        applySkin(this);
    }
    listSavedSearchesInto(*Combo1, owner);
    // Typing at once names the new search.
    Text1->setFocus();
}

void SaveSearchDialog::buildControls() {
    Frame1 = placed(new QGroupBox(QStringLiteral("Save Into An Old Search Result"), this), "Frame1",
                    QRect(120, 120, 4695, 1335));
    Label1 = placed(new QLabel(QStringLiteral("Append new results to this previous search:"), Frame1), "Label1",
                    QRect(120, 360, 4455, 255));
    Combo1 = placed(new QComboBox(Frame1), "Combo1", QRect(120, 720, 3255, 315));
    Command1 = placed(new QPushButton(QStringLiteral("Ok"), Frame1), "Command1", QRect(3480, 690, 1095, 375));

    Frame2 = placed(new QGroupBox(QStringLiteral("Create New Save File"), this), "Frame2",
                    QRect(120, 1575, 4695, 1335));
    Label2 = placed(new QLabel(QStringLiteral("Please choose a name for this search:"), Frame2), "Label2",
                    QRect(120, 360, 4455, 255));
    Text1 = placed(new QLineEdit(Frame2), "Text1", QRect(120, 720, 3255, 315));
    Command3 = placed(new QPushButton(QStringLiteral("Save"), Frame2), "Command3", QRect(3480, 690, 1095, 375));

    Command2 = placed(new QPushButton(QStringLiteral("Cancel"), this), "Command2", QRect(3600, 3150, 1215, 375));
    new SkinLabel(QStringLiteral("SkinLabel1"), 0, Frame1);
    new SkinLabel(QStringLiteral("SkinLabel2"), 0, Frame2);

    // Enter saves only from the name box: no button is a default button, so
    // Enter elsewhere cannot append a row into the search picked above.
    for (QPushButton* b : {Command1, Command3, Command2}) b->setAutoDefault(false);
    connect(Text1, &QLineEdit::returnPressed, this, &SaveSearchDialog::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &SaveSearchDialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SaveSearchDialog::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &SaveSearchDialog::Command3_Click);
}

void SaveSearchDialog::saveResults(QWidget* owner, const ResultsGrid& grid, int selectedRow) {
    const std::optional<QString> record = savedSearch::buildPendingSaveRecord(grid, selectedRow);
    savedSearch::setPendingSaveRecord(record.value_or(QString()));
    if (!record) {
        platform::ui().messageBox(owner, QString::fromLatin1(savedSearch::kNoSelectionMessage),
                                  QString::fromLatin1(buildinfo::productName), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::None);
        return;
    }
    SaveSearchDialog dialog(owner);
    dialog.exec();
}

std::optional<QString> SaveSearchDialog::chooseSearchFor(QWidget* owner, const QString& address) {
    SaveSearchDialog dialog(owner);
    dialog.pickFor(address);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.m_picked;
}

// The dialog names the address it writes for, and starts on that address's
// own search: never on whatever search happens to be loaded.
void SaveSearchDialog::pickFor(const QString& address) {
    m_pickAddress = address;
    setWindowTitle(QStringLiteral("Web Graph History of %1").arg(address));
    Label1->setText(QStringLiteral("Add the counts to this previous search:"));
    const QString suggested = savedSearch::nameForAddress(address).value_or(QString());
    Text1->setText(suggested);
    Text1->selectAll();
    if (const auto existing = savedSearch::findExisting(suggested))
        Combo1->setCurrentIndex(Combo1->findText(existing->name));
}

bool SaveSearchDialog::addConfirmed(const QString& name) {
    const auto existing = savedSearch::findExisting(name);
    if (!existing) return true;
    const QString question =
        QStringLiteral("The saved search \"%1\" already exists. Add the web graph's counts of %2 to it?")
            .arg(existing->name, m_pickAddress);
    return platform::ui().messageBox(this, question, QStringLiteral("Warning"), UiPlatform::Buttons::YesNoDefaultNo,
                                     UiPlatform::Icon::Warning) == UiPlatform::Answer::Yes;
}

bool SaveSearchDialog::report(const std::optional<QString>& problem) {
    if (!problem) return false;
    platform::ui().messageBox(this, *problem, QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                              UiPlatform::Icon::Information);
    return true;
}

void SaveSearchDialog::Command1_Click() {
    if (Combo1->currentIndex() < 0) {
        report(QString::fromLatin1(savedSearch::kChooseAppendTargetMessage));
        return;
    }
    if (!m_pickAddress.isEmpty()) {
        m_picked = Combo1->currentText();
        accept();
        return;
    }
    if (report(savedSearch::appendRecord(Combo1->currentText(), savedSearch::pendingSaveRecord(),
                                         QDate::currentDate())))
        return;
    accept();
}

void SaveSearchDialog::Command3_Click() {
    const QString name = Text1->text();
    if (report(savedSearch::nameProblem(name))) return;
    if (!m_pickAddress.isEmpty()) {
        if (!addConfirmed(name)) return;
        const auto existing = savedSearch::findExisting(name);
        m_picked = existing ? existing->name : name;
        accept();
        return;
    }
    // The dates the question counts are the ones the save replaces: no other
    // writer gets in between.
    const savedSearch::SearchLock lock(name);
    if (!lock.isLocked()) {
        report(lock.error());
        return;
    }
    if (!replaceConfirmed(name)) return;
    if (report(savedSearch::saveNewRecord(name, savedSearch::pendingSaveRecord(), QDate::currentDate(), &lock)))
        return;
    accept();
}

bool SaveSearchDialog::replaceConfirmed(const QString& name) {
    const auto existing = savedSearch::findExisting(name);
    if (!existing) return true;
    return platform::ui().messageBox(this, savedSearch::replaceQuestion(*existing), QStringLiteral("Warning"),
                                     UiPlatform::Buttons::YesNoDefaultNo, UiPlatform::Icon::Warning) == UiPlatform::Answer::Yes;
}

void SaveSearchDialog::Command2_Click() { reject(); }
