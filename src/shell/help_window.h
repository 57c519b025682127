#pragma once

#include <QWidget>

class QCheckBox;
class QTextBrowser;

// The help window: the help file in a read-only rich-text view, and
// "Show at Startup", which decides whether it opens with the main window. It
// stays above the other windows. There is none while the help file is missing.
class Form8 final : public QWidget {
    Q_OBJECT
public:
    // Loads the window if needed and shows it, or brings the open one forward.
    // Null, with nothing shown, when the help file is missing.
    static Form8* showInstance(QWidget* owner);
    // Shows it at start-up beside the shown main window where the screen has
    // room, otherwise over the lower part of urlFrame and below keepClear.
    static Form8* showAtStart(QWidget* mainWindow, const QWidget* urlFrame, const QWidget* keepClear);
    static Form8* instance();  // null when not loaded
    static void unloadInstance();

protected:
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Check1_Click();

private:
    explicit Form8(QWidget* owner);
    bool Form_Load();  // false when there is no help file
    // Moves the window down when its title bar stands above the screen.
    void keepTitleBarOnScreen();

    QTextBrowser* rtf1 = nullptr;
    QCheckBox* Check1 = nullptr;  // "Show at Startup"
};
