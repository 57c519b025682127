#pragma once

#include "desktop/skin_data.h"

#include <QColor>
#include <QLabel>
#include <QObject>
#include <QPointer>

// The optional skin. Nothing here acts unless branding().skinEnabled is set:
// with it off every window keeps its design-time look and no skin label is made.

// The skin control: the skin's colours and style, read from the skin file.
class Skin final : public QObject {
    Q_OBJECT
public:
    explicit Skin(QObject* parent = nullptr);

    void load(const QString& path);
    const SkinData& data() const { return m_data; }
    QColor backColour() const;
    QColor textColour() const;
    QColor pictureColour() const;

    // Dresses a window's own surface in the skin. False for no window.
    bool skinWindow(QWidget* window) const;

private:
    SkinData m_data;
};

// The program's skin, set once by the splash window; null until then.
Skin* programSkin();
void setProgramSkin(Skin* skin);

// The skin's program-wide part: given the skin and started at start-up, it puts
// the skin's widget style on the whole program; stopping puts the old one back.
class SkinGlobalObject final {
public:
    void setSkin(Skin* skin) { m_skin = skin; }
    bool start();
    void stop();
    bool isRunning() const { return m_running; }

private:
    QPointer<Skin> m_skin;
    QString m_previousStyle;
    bool m_running = false;
};
SkinGlobalObject& SkinGlobal();

// One element of a skin label array: the array is the object name
// ("SkinLabel1"), the element its index. A window places element 0 in the
// container whose labels it wants skinned; mirrorLabels adds the others.
class SkinLabel final : public QLabel {
    Q_OBJECT
public:
    SkinLabel(const QString& arrayName, int index, QWidget* parent);
    int index() const { return m_index; }
    // The plain label this element covers; null for element 0.
    QLabel* source() const { return m_source; }
    void follow(QLabel* source);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void takeCaption(const QString& caption);
    void stackOnto(QLabel* source);

    int m_index;
    QPointer<QLabel> m_source;
};

// The kind of control a widget counts as for the skin's colours:
// "CommandButton", "ListView", "ListBox", "ComboBox", "TextBox", "PictureBox",
// "Label", or "" for the rest; a rich-text box is "RichTextBox" and keeps its
// own colours. A widget may declare its kind in the dynamic
// property "skinType" (e.g. a plain QWidget used as a picture strip).
QString skinTypeName(const QWidget* widget);

// Gives the window's controls the skin's colours, then skins the window. When
// there is no program skin yet, the skin loader is run (the splash window,
// which sets it, loaded with its timer stopped and hidden) and the steps are
// tried once more.
bool applySkin(QWidget* window);

// The splash window registers itself here: it lives above the windows that
// call applySkin, which therefore cannot name it.
using SkinLoader = void (*)();
void setSkinLoader(SkinLoader loader);

// Sets the colours of every control of the window by its kind.
void applySkinColours(QWidget* window, const QColor& back, const QColor& text,
                      const QColor& picture);

// Covers every plain label sharing a container with element 0 of one of the
// window's skin label arrays by a new element, copying its position, size,
// font, caption and visibility. Returns how many skin labels were made.
int mirrorLabels(QWidget* window);

// The elements of one array in the window, by index.
QList<SkinLabel*> skinLabels(QWidget* window, const QString& arrayName);
