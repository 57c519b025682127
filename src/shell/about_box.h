#pragma once

#include <QWidget>

class PictureBox;
class QLabel;

// The About box: program name, version, owner and website; a click on the
// website opens the website window. Modeless, one at a time, destroyed when
// closed.
class frmAbout final : public QWidget {
    Q_OBJECT
public:
    // Loads the box if needed and shows it, or brings the open one forward.
    static frmAbout* showInstance(QWidget* owner);
    static frmAbout* instance();  // null when not loaded
    static void unloadInstance();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void lblWebsite_Click();

private:
    explicit frmAbout(QWidget* owner);
    void Form_Load();
    QLabel* makeLabel(const char* name, const QString& caption, int left, int top, int width);

    PictureBox* picLogo = nullptr;
    QLabel* Label1 = nullptr;      // the program name
    QLabel* Label2 = nullptr;      // "Version:"
    QLabel* lblVersion = nullptr;
    QLabel* Label3 = nullptr;      // "Owned By:"
    QLabel* lblCompany = nullptr;
    QLabel* Label4 = nullptr;      // "Website:"
    QLabel* lblWebsite = nullptr;
    QLabel* lblCredit = nullptr;   // the published list's credit
};
