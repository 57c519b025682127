#include "history/load_search_dialog.h"

#include "history/saved_search.h"
#include "platform/ui_platform.h"
#include "desktop/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

void listSavedSearchesInto(QComboBox& combo, QWidget* owner) {
    combo.clear();
    const QStringList names = savedSearch::listSavedSearches();
    combo.addItems(names);
    combo.setCurrentIndex(-1);
    if (names.isEmpty())
        platform::ui().messageBox(owner, QString::fromLatin1(savedSearch::kNoSavedSearchesMessage),
                                  QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::Information);
}

LoadSearchDialog::LoadSearchDialog(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Load Saved Search"));
    setModal(true);
    setFixedSize(twipsToPixels(QRect(0, 0, 4815, 2010)).size());

    Frame1 = new QGroupBox(QStringLiteral("Select saved search to load"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsToPixels(QRect(120, 120, 4575, 975)));
    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(twipsToPixels(QRect(120, 420, 4335, 315)));
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsToPixels(QRect(2160, 1335, 1215, 375)));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsToPixels(QRect(3480, 1335, 1215, 375)));

    connect(Command1, &QPushButton::clicked, this, &LoadSearchDialog::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &LoadSearchDialog::Command2_Click);
    listSavedSearchesInto(*Combo1, owner);
}

void LoadSearchDialog::Command1_Click() {
    if (Combo1->currentIndex() < 0) {
        platform::ui().messageBox(this, QString::fromLatin1(savedSearch::kChooseLoadMessage),
                                  QStringLiteral("Select A Saved Search"), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::Information);
        return;
    }
    savedSearch::setChartFileName(Combo1->currentText() + QLatin1String(savedSearch::kExtension));
    emit searchChosen();
    accept();
}

void LoadSearchDialog::Command2_Click() { reject(); }
