#include "desktop/skin_ui.h"

#include "desktop/branding.h"
#include "desktop/picture_box_widget.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>

namespace {

QPointer<Skin>& programSkinSlot() {
    static QPointer<Skin> skin;
    return skin;
}

QColor colourOf(quint32 rgb) { return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb)); }

void setRoles(QWidget* w, std::initializer_list<std::pair<QPalette::ColorRole, QColor>> roles) {
    QPalette p = w->palette();
    for (const auto& [role, colour] : roles) p.setColor(role, colour);
    w->setPalette(p);
}

bool tryApplySkin(QWidget* window) {
    Skin* skin = programSkin();
    if (!skin)
        return false;
    applySkinColours(window, skin->backColour(), skin->textColour(), skin->pictureColour());
    return skin->skinWindow(window);
}

}  // namespace

Skin::Skin(QObject* parent) : QObject(parent) { load(skinFilePath()); }

void Skin::load(const QString& path) { m_data = readSkinFile(path); }

QColor Skin::backColour() const { return colourOf(m_data.colours.back); }
QColor Skin::textColour() const { return colourOf(m_data.colours.text); }
QColor Skin::pictureColour() const { return colourOf(m_data.colours.picture); }

bool Skin::skinWindow(QWidget* window) const {
    if (!window)
        return false;
    // Buttons, tabs and headers take the skin's colours unless a control has its own.
    setRoles(window->window(), {{QPalette::Window, backColour()}, {QPalette::WindowText, textColour()},
                                {QPalette::Button, backColour()}, {QPalette::ButtonText, textColour()}});
    window->window()->setProperty("skinned", true);
    return true;
}

Skin* programSkin() { return programSkinSlot(); }
void setProgramSkin(Skin* skin) { programSkinSlot() = skin; }

bool SkinGlobalObject::start() {
    if (!branding().skinEnabled || !m_skin || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    if (!m_running)
        m_previousStyle = QApplication::style()->name();
    QStyle* style = QStyleFactory::create(m_skin->data().style);
    if (!style)
        return false;
    QApplication::setStyle(style);
    m_running = true;
    return true;
}

void SkinGlobalObject::stop() {
    if (!m_running)
        return;
    m_running = false;
    if (!m_previousStyle.isEmpty())
        QApplication::setStyle(m_previousStyle);
}

SkinGlobalObject& SkinGlobal() {
    static SkinGlobalObject global;
    return global;
}

SkinLabel::SkinLabel(const QString& arrayName, int index, QWidget* parent)
    : QLabel(parent), m_index(index) {
    setObjectName(arrayName);
    // The cover is only drawn: clicks go through to the label beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Element 0 only marks the container whose labels get covers.
    if (index == 0)
        hide();
}

void SkinLabel::follow(QLabel* source) {
    m_source = source;
    setGeometry(source->geometry());
    setFont(source->font());
    takeCaption(source->text());
    setHidden(source->isHidden());
    stackOnto(source);
    source->installEventFilter(this);
}

// Directly above its label and under every control above that label, so a
// label reaching under a text box never covers the box.
void SkinLabel::stackOnto(QLabel* source) {
    const QObjectList& siblings = source->parentWidget()->children();  // bottom to top
    for (qsizetype i = siblings.indexOf(source) + 1; i < siblings.size(); ++i) {
        auto* above = qobject_cast<QWidget*>(siblings.at(i));
        if (above && above != this) {
            stackUnder(above);
            return;
        }
    }
    raise();
}

// Keeps the cover on its label when the window moves or hides the label later.
bool SkinLabel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_source) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize: setGeometry(m_source->geometry()); break;
        case QEvent::Show: show(); break;
        case QEvent::Hide: hide(); break;
        default: break;
        }
    }
    return QLabel::eventFilter(watched, event);
}

// The program may rewrite a label's caption later; the cover shows it as it is now.
void SkinLabel::paintEvent(QPaintEvent* event) {
    if (m_source && m_source->text() != text())
        takeCaption(m_source->text());
    QLabel::paintEvent(event);
}

// A cover hides its label's own drawing under its background; over a label
// without a caption it draws nothing at all.
void SkinLabel::takeCaption(const QString& caption) {
    setText(caption);
    setAutoFillBackground(!caption.isEmpty());
}

QString skinTypeName(const QWidget* w) {
    const QVariant declared = w->property("skinType");
    if (declared.isValid())
        return declared.toString();
    if (qobject_cast<const SkinLabel*>(w))
        return QStringLiteral("SkinLabel");
    if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w))
        return QStringLiteral("CommandButton");
    if (qobject_cast<const QComboBox*>(w))
        return QStringLiteral("ComboBox");
    if (qobject_cast<const QListView*>(w))
        return QStringLiteral("ListBox");
    if (qobject_cast<const QAbstractItemView*>(w))
        return QStringLiteral("ListView");
    if (qobject_cast<const QTextBrowser*>(w))
        return QStringLiteral("RichTextBox");
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
        qobject_cast<const QPlainTextEdit*>(w))
        return QStringLiteral("TextBox");
    if (qobject_cast<const PictureBox*>(w))
        return QStringLiteral("PictureBox");
    if (qobject_cast<const QLabel*>(w))
        return QStringLiteral("Label");
    return {};
}

void applySkinColours(QWidget* window, const QColor& back, const QColor& text, const QColor& picture) {
    if (!window || !branding().skinEnabled)
        return;
    static const QStringList listKinds = {"ListView", "ListBox", "DriveListBox", "DirListBox",
                                          "FileListBox", "ComboBox", "TextBox"};
    const QList<QWidget*> controls = window->findChildren<QWidget*>();
    for (QWidget* w : controls) {
        const QString kind = skinTypeName(w);
        if (kind == QLatin1String("CommandButton")) {
            setRoles(w, {{QPalette::Button, back}});
        } else if (listKinds.contains(kind)) {
            setRoles(w, {{QPalette::Base, back}, {QPalette::Button, back}, {QPalette::Text, text},
                         {QPalette::ButtonText, text}});
        } else if (kind == QLatin1String("PictureBox")) {
            setRoles(w, {{QPalette::Window, picture}});
            w->setAutoFillBackground(true);
        }
    }
}

namespace {
SkinLoader& skinLoader() {
    static SkinLoader loader = nullptr;
    return loader;
}
}  // namespace

bool applySkin(QWidget* window) {
    if (!window || !branding().skinEnabled)
        return false;
    if (tryApplySkin(window))
        return true;
    if (!skinLoader())
        return false;
    skinLoader()();
    return tryApplySkin(window);
}

void setSkinLoader(SkinLoader loader) { skinLoader() = loader; }

QList<SkinLabel*> skinLabels(QWidget* window, const QString& arrayName) {
    QList<SkinLabel*> found = window->findChildren<SkinLabel*>(arrayName);
    std::stable_sort(found.begin(), found.end(),
                     [](const SkinLabel* a, const SkinLabel* b) { return a->index() < b->index(); });
    return found;
}

int mirrorLabels(QWidget* window) {
    if (!window || !branding().skinEnabled)
        return 0;
    QList<SkinLabel*> firsts;
    for (SkinLabel* s : window->findChildren<SkinLabel*>())
        if (s->index() == 0)
            firsts.append(s);
    int made = 0;
    for (SkinLabel* first : firsts) {
        QWidget* container = first->parentWidget();
        const QList<QLabel*> labels = window->findChildren<QLabel*>();
        int upper = skinLabels(window, first->objectName()).constLast()->index();
        for (QLabel* label : labels) {
            if (skinTypeName(label) != QLatin1String("Label") || label->parentWidget() != container)
                continue;
            auto* cover = new SkinLabel(first->objectName(), ++upper, container);
            cover->follow(label);
            ++made;
        }
    }
    return made;
}
