#pragma once

#include <QPixmap>
#include <QWidget>

class QSvgRenderer;

// A picture holder: draws an SVG or bitmap scaled into its rectangle, keeping
// the picture's proportions, over its background colour.
class PictureBox final : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // A file or resource path; ".svg" files are drawn as vectors. False when
    // the picture cannot be read (the box then shows only its background).
    bool setPicture(const QString& path);
    QString picturePath() const { return m_path; }
    bool hasPicture() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_path;
    QSvgRenderer* m_svg = nullptr;
    QPixmap m_pixmap;
};
