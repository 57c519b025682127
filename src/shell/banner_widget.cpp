#include "shell/banner_widget.h"

#include "desktop/branding.h"
#include "desktop/picture_box_widget.h"
#include "desktop/twips.h"

#include <QUrl>
#include <QWebEngineView>

BannerParts createBanner(QWidget* window) {
    const QRect place = twipsToPixels(QRect(60, 1140, 7335, 945));
    BannerParts parts;
    parts.wbPicture = new PictureBox(window);
    parts.wbPicture->setObjectName(QStringLiteral("wbPicture"));
    parts.wbPicture->setGeometry(place);
    parts.wbPicture->setPicture(QStringLiteral(":/shell/banner_picture.svg"));
    parts.wbBanner = new QWebEngineView(window);
    parts.wbBanner->setObjectName(QStringLiteral("wbBanner"));
    parts.wbBanner->setGeometry(place);
    parts.wbBanner->hide();
    return parts;
}

QWidget* showBanner(QWidget* window, QWidget* wbBanner, QWidget* wbPicture) {
    if (!window || !wbBanner)
        return nullptr;
    const int margin = twipsToPixels(kBannerMarginTwips);
    auto* picBox = new QWidget(window);
    picBox->setObjectName(QStringLiteral("picBox"));
    picBox->setProperty("skinType", QStringLiteral("PictureBox"));
    picBox->setGeometry(wbBanner->x(), wbBanner->y(), qMax(0, wbBanner->width() - margin),
                        wbBanner->height());
    wbBanner->setParent(picBox);
    wbBanner->move(0, 0);
    picBox->show();
    picBox->update();
    wbBanner->show();
    if (wbPicture)
        wbPicture->hide();
    if (auto* view = qobject_cast<QWebEngineView*>(wbBanner))
        view->setUrl(QUrl::fromUserInput(branding().bannerPage));
    return picBox;
}
