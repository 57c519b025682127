#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QWebEngineView;

// The separate browser window that opens the maker's website. One for the
// whole program; it is not owned by the main window and may outlive it: when
// the main window has closed first, closing this window ends the program.
class frmWebsite final : public QWidget {
    Q_OBJECT
public:
    // Loads the window if needed (opening at the website) and shows it; an
    // open window is only brought forward, without reloading.
    static frmWebsite* showInstance();
    static frmWebsite* instance();  // null when not loaded
    // Whether the window is loaded and showing; the main window's closing asks.
    static bool isOpen();
    static void unloadInstance();

    QString statusPanelText(int panel) const;  // 1 or 2
    QWebEngineView* browser() const { return WebBrowser1; }

signals:
    void statusPanelChanged(int panel, const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void Command3_Click();  // "browse the entered url"
    void Command4_Click();  // "back"
    void Command5_Click();  // "forward"
    void Command6_Click();  // "stop"
    void Command7_Click();  // "refresh"
    void Text1_KeyPress();  // Enter in the address box
    void WebBrowser1_StatusTextChange(const QString& text);
    void WebBrowser1_DownloadBegin();
    void WebBrowser1_DownloadComplete(bool ok);

private:
    frmWebsite();
    void buildControls();
    QPushButton* makeButton(const char* name, const QString& tip, const QString& icon, int left);
    void Form_Load();
    void Form_Resize();
    void setPanelText(int panel, const QString& text);
    QString currentLocation() const;

    QGroupBox* frmBrowser = nullptr;  // "Browser"
    QLabel* Label5 = nullptr;         // "URL:"
    QLineEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QWebEngineView* WebBrowser1 = nullptr;
    QString m_loadError;  // the browser's reason the last load failed
    QStatusBar* StatusBar1 = nullptr;
    QLabel* m_panel1 = nullptr;
    QLabel* m_panel2 = nullptr;
};
