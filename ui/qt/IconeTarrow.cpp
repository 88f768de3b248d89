#include "ui/qt/IconeTarrow.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace tarrow {

namespace {

// A pharmacy's green cross on a white tile, and an orange arrow leaving it for the network.
QPixmap Desenha(int lado)
{
    QPixmap imagem(lado, lado);
    imagem.fill(Qt::transparent);
    QPainter p(&imagem);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = lado;

    p.setPen(QPen(QColor(0x1e, 0x6b, 0x3a), std::max(1.0, s / 16)));
    p.setBrush(QColor(0xf4, 0xf8, 0xf4));
    const qreal borda = std::max(0.5, s / 32);
    p.drawRoundedRect(QRectF(borda, borda, s - 2 * borda, s - 2 * borda), s / 6, s / 6);

    // The cross, a little up and to the left to leave the corner to the arrow.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x9d, 0x4c));
    const qreal braco = s * 0.2, comprimento = s * 0.58, cx = s * 0.4, cy = s * 0.4;
    p.drawRect(QRectF(cx - comprimento / 2, cy - braco / 2, comprimento, braco));
    p.drawRect(QRectF(cx - braco / 2, cy - comprimento / 2, braco, comprimento));

    QPainterPath seta;
    seta.moveTo(s * 0.48, s * 0.64);
    seta.lineTo(s * 0.66, s * 0.64);
    seta.lineTo(s * 0.66, s * 0.52);
    seta.lineTo(s * 0.92, s * 0.73);
    seta.lineTo(s * 0.66, s * 0.94);
    seta.lineTo(s * 0.66, s * 0.82);
    seta.lineTo(s * 0.48, s * 0.82);
    seta.closeSubpath();
    p.setPen(QPen(QColor(0x9a, 0x4a, 0x00), std::max(1.0, s / 32)));
    p.setBrush(QColor(0xf0, 0x8a, 0x12));
    p.drawPath(seta);
    return imagem;
}

}  // namespace

QIcon IconeTarrow()
{
    QIcon icone;
    for (int lado : {16, 22, 24, 32, 48, 64}) icone.addPixmap(Desenha(lado));
    return icone;
}

}  // namespace tarrow
