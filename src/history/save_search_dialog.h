#pragma once

#include <QDialog>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ResultsGrid;

// "Save Search Results": appends the pending row to an existing saved search
// ("Ok") or starts a new one ("Save", also Enter in the name box). Modal;
// lists the saved searches each time it opens. A save that fails is reported
// and the dialog stays open.
class SaveSearchDialog final : public QDialog {
    Q_OBJECT
public:
    explicit SaveSearchDialog(QWidget* owner);

    // The "Save Results" command: captures the row (selectedRow -1: none) and
    // opens the dialog, or says that a row must be selected first.
    static void saveResults(QWidget* owner, const ResultsGrid& grid, int selectedRow);
    // The search that counts of address from elsewhere (the web graph) go
    // into, chosen in the same dialog: an old search ("Ok") or a new name,
    // the one a save of the address's row would suggest ("Save"). Nothing is
    // written here; nothing when cancelled.
    static std::optional<QString> chooseSearchFor(QWidget* owner, const QString& address);

private slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

private:
    void buildControls();
    bool report(const std::optional<QString>& problem);
    // "Save" over an existing search asks first; No keeps the file and the dialog.
    bool replaceConfirmed(const QString& name);
    void pickFor(const QString& address);
    bool addConfirmed(const QString& name);

    QString m_pickAddress;          // set when the dialog only chooses a search
    std::optional<QString> m_picked;

    QGroupBox* Frame1 = nullptr;  // "Save Into An Old Search Result"
    QLabel* Label1 = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command1 = nullptr;  // "Ok"
    QGroupBox* Frame2 = nullptr;      // "Create New Save File"
    QLabel* Label2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;  // "Save"
    QPushButton* Command2 = nullptr;  // "Cancel"
};
