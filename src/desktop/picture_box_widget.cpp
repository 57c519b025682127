#include "desktop/picture_box_widget.h"

#include <QPainter>
#include <QSvgRenderer>

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

PictureBox::~PictureBox() = default;

bool PictureBox::setPicture(const QString& path) {
    m_path = path;
    delete m_svg;
    m_svg = nullptr;
    m_pixmap = QPixmap();
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        m_svg = new QSvgRenderer(path, this);
        if (!m_svg->isValid()) {
            delete m_svg;
            m_svg = nullptr;
        }
    } else {
        m_pixmap.load(path);
    }
    update();
    return hasPicture();
}

bool PictureBox::hasPicture() const { return m_svg || !m_pixmap.isNull(); }

QSize PictureBox::sizeHint() const {
    if (m_svg)
        return m_svg->defaultSize();
    if (!m_pixmap.isNull())
        return m_pixmap.size();
    return QWidget::sizeHint();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QSize natural = sizeHint();
    if (!hasPicture() || natural.isEmpty())
        return;
    const QSize fitted = natural.scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_svg)
        m_svg->render(&painter, target);
    else
        painter.drawPixmap(target, m_pixmap);
}
