#pragma once

#include <QGroupBox>
#include <QHash>
#include <QString>
#include <QUrl>

class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTreeView;
class QWebEngineView;
class WebsiteList;

// The "Website View" page (frame "Results - Website View"): the list of
// webpage rows of the scanned addresses, a small browser toolbar and the
// embedded browser that shows the page of the clicked row. The main window
// owns the list and places the frame; the page only shows and browses.
class WebsiteViewPage final : public QGroupBox {
    Q_OBJECT
public:
    WebsiteViewPage(WebsiteList& list, QWidget* parent);

    // Selects the first row (in display order) whose URL is exactly address,
    // scrolls it to the top of the list and shows its page. False, and nothing
    // done, when no row matches.
    bool showWebResults(const QString& address);

    // Applies the page's resize rules for a frame of that size (in twips); the
    // other controls keep their design positions.
    void layoutPage(int frameWidthTwips, int frameHeightTwips);

    void navigateBlank();  // about:blank

    // The text last handed to the browser, exactly as the page built it.
    QString lastNavigation() const { return m_lastNavigation; }

    QTreeView* listView() const { return ListView2; }
    QWebEngineView* browser() const { return WebBrowser1; }

signals:
    void statusPanel1Changed(const QString& text);  // the browser's status text
    void statusPanel2Changed(const QString& text);  // "Opening " + address; "" once loaded
    void navigating(const QString& address);        // handed to the browser, as lastNavigation()

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void ListView2_ItemClick(const QModelIndex& index);
    void ListView2_SelectionChange();
    void ListView2_ColumnClick(int section);
    void Command10_Click();  // "browse the entered url"
    void Command8_Click();   // "back"
    void Command9_Click();   // "forward"
    void Command11_Click();  // "stop"
    void Command70_Click();  // "refresh"
    void Text1_KeyPress();   // Enter in the address box
    void WebBrowser1_StatusTextChange(const QString& text);
    void WebBrowser1_DownloadBegin();
    void WebBrowser1_DownloadComplete();

private:
    void buildList();
    void buildToolbar();
    void buildBrowser();
    QPushButton* pictureButton(const char* name, const char* icon, const QString& tip);
    void showSelectedPage();
    int selectedRow() const;  // -1 when none
    void navigate(const QString& address, const QString& localLabel = QString());
    QString locationText() const;  // the address box's text for what the browser shows

    WebsiteList& m_list;
    QString m_lastNavigation;
    QHash<QUrl, QString> m_localLabels;  // a page made here -> its label
    int m_rowAtPress = -1;  // the selected row when the mouse button went down

    QTreeView* ListView2 = nullptr;
    QLabel* Label5 = nullptr;         // "URL:"
    QLineEdit* Text1 = nullptr;       // address box
    QPushButton* Command10 = nullptr; // go
    QPushButton* Command8 = nullptr;  // back
    QPushButton* Command9 = nullptr;  // forward
    QPushButton* Command11 = nullptr; // stop
    QPushButton* Command70 = nullptr; // refresh
    QWebEngineView* WebBrowser1 = nullptr;
};
