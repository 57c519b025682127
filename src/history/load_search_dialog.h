#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QPushButton;

// "Load Saved Search": chooses the saved search to chart. Modal; lists the
// saved searches each time it opens.
class LoadSearchDialog final : public QDialog {
    Q_OBJECT
public:
    explicit LoadSearchDialog(QWidget* owner);

signals:
    // "Ok" with a choice: savedSearch::chartFileName() now names it; the chart
    // is built before the dialog closes.
    void searchChosen();

private slots:
    void Command1_Click();
    void Command2_Click();

private:
    QGroupBox* Frame1 = nullptr;  // "Select saved search to load"
    QComboBox* Combo1 = nullptr;
    QPushButton* Command1 = nullptr;  // "Ok"
    QPushButton* Command2 = nullptr;  // "Cancel"
};

// Fills combo with the saved searches' names, nothing chosen; with none, says
// so in a message box owned by owner.
void listSavedSearchesInto(QComboBox& combo, QWidget* owner);
