#pragma once

#include <QWidget>
#include <functional>

class PictureBox;
class QTimer;
class Skin;

// The program's first window. It shows the splash picture for a short pause
// (75 ticks of a 2 ms timer), then opens the main window through the callback
// it was given and hides itself. It stays loaded, hidden, until the program
// ends: its icon and its skin stay in use.
class frmSplash final : public QWidget {
    Q_OBJECT
public:
    using OpenMainWindow = std::function<void()>;

    // The splash window, loaded on first call (which runs its load: branding,
    // skin, timer on). A callback given when it is already loaded is ignored.
    static frmSplash* loadInstance(OpenMainWindow openMainWindow = {});
    static frmSplash* instance();  // null when not loaded
    static void unloadInstance();
    ~frmSplash() override;

    void stopTimer();
    bool timerActive() const;
    qint16 tickCounter() const { return intTemp; }
    Skin* skin() const { return skn; }

    static constexpr qint16 kLastTick = 148;

private slots:
    void Timer2_Timer();

private:
    explicit frmSplash(OpenMainWindow openMainWindow);
    void Form_Load();

    PictureBox* Image1 = nullptr;
    Skin* skn = nullptr;
    QTimer* Timer2 = nullptr;
    qint16 intTemp = 0;
    OpenMainWindow m_openMainWindow;
};
