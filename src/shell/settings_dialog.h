#pragma once

#include "shell/threshold_fields.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Options" dialog, three pages: the six engine templates of settings.ini
// with the three popularity thresholds and the data options of the settings
// store; the source of each column with its keys; the web graph's releases.
// One instance at a time; it reloads everything when opened and is destroyed
// when closed.
class Form2 final : public QDialog {
    Q_OBJECT
public:
    // Opens the dialog without blocking the owner, or brings the open one to the front.
    // onSaved runs after "Ok" has saved the values.
    static void showModeless(QWidget* owner, std::function<void()> onSaved = {});
    // Opens the dialog and waits until it is closed; an open one is brought to
    // the front instead.
    static void showModal(QWidget* owner, std::function<void()> onSaved = {});
    // The open dialog, or null.
    static Form2* instance();

    // Brings the page of that objectName to the front: "tabGeneral" (the
    // templates, ranks and data options), "tabSources" (each column's source
    // and its keys) or "tabGraph" (the web graph's releases).
    void showPage(const QString& pageName);

    ~Form2() override;

private slots:
    void Command1_Click();  // "Ok"
    void Command2_Click();  // "Cancel"
    void Command3_Click();  // "Reset"
    void txtProfile_Change(int index);

private:
    explicit Form2(QWidget* owner);
    QWidget* buildTemplatesFrame();
    QWidget* buildSourcesPage();
    QWidget* buildRanksFrame();
    QWidget* buildOptionsFrame();
    QWidget* buildButtons();
    void Form_Load();
    void mirrorThreshold(int index, const QString& text);
    void setThreshold(int index, const QString& text);  // as the program sets it

    ThresholdFields m_thresholds;
    bool m_mirroring = false;

    std::array<QLineEdit*, 6> m_templateFields{};  // Text1 ... Text6
    std::array<class SourcePickerWidget*, 6> m_sourcePickers{};  // cboSource1 ... cboSource6
    std::array<QLineEdit*, ThresholdFields::kCount> txtProfile{};
    QLabel* Picture1 = nullptr;  // Low
    QLabel* Picture2 = nullptr;  // Medium
    QLabel* Picture3 = nullptr;  // High
    QCheckBox* chkClear = nullptr;
    QCheckBox* chkAuto = nullptr;
    QCheckBox* chkAtOnce = nullptr;
    QLineEdit* txtPause = nullptr;  // seconds
    QPushButton* Command1 = nullptr;  // "Ok"
    QPushButton* Command2 = nullptr;  // "Cancel"
    QPushButton* Command3 = nullptr;  // "Reset"
    class QTabWidget* m_pages = nullptr;  // the dialog's three pages
    class GraphReleasesWidget* m_graphPanel = nullptr;  // "Web Graph": the releases, "Fetch", "Count"
};
