#include "ui/win32/Icones.h"

#include <algorithm>
#include <utility>

namespace tarrow {

TIcone& TIcone::operator=(TIcone&& outro) noexcept
{
    std::swap(icone_, outro.icone_);
    return *this;
}

TIcone::~TIcone()
{
    if (icone_ != nullptr) DestroyIcon(icone_);
}

namespace {

// Owns one pen, brush or bitmap. Move-only: a copy would delete the handle a second time, and an
// assignment must delete the object it replaces, which may no longer be selected into a DC.
class TObjetoGdi {
public:
    explicit TObjetoGdi(HGDIOBJ objeto = nullptr) noexcept : objeto_(objeto) {}
    TObjetoGdi(TObjetoGdi&& outro) noexcept : objeto_(std::exchange(outro.objeto_, nullptr)) {}
    TObjetoGdi& operator=(TObjetoGdi&& outro) noexcept
    {
        std::swap(objeto_, outro.objeto_);
        return *this;
    }
    TObjetoGdi(const TObjetoGdi&) = delete;
    TObjetoGdi& operator=(const TObjetoGdi&) = delete;
    ~TObjetoGdi()
    {
        if (objeto_ != nullptr) DeleteObject(objeto_);
    }
    HGDIOBJ Handle() const noexcept { return objeto_; }

private:
    HGDIOBJ objeto_;
};

// Pens and brushes for one layer of an icon: the colour picture (on black, which the mask leaves
// untouched) or the mask (black wherever the picture covers).
class TPincel {
public:
    TPincel(HDC dc, bool mascara) : dc_(dc), mascara_(mascara) {}

    void Usa(COLORREF linha, int espessura, COLORREF fundo)
    {
        TObjetoGdi caneta(CreatePen(PS_SOLID, espessura, mascara_ ? RGB(0, 0, 0) : linha));
        TObjetoGdi pincel(CreateSolidBrush(mascara_ ? RGB(0, 0, 0) : fundo));
        SelectObject(dc_, caneta.Handle());
        SelectObject(dc_, pincel.Handle());
        // The previous pair, no longer selected, goes with the temporaries.
        std::swap(caneta_, caneta);
        std::swap(pincel_, pincel);
    }

    ~TPincel()
    {
        SelectObject(dc_, GetStockObject(BLACK_PEN));
        SelectObject(dc_, GetStockObject(BLACK_BRUSH));
    }

private:
    HDC dc_;
    bool mascara_;
    TObjetoGdi caneta_;
    TObjetoGdi pincel_;
};

void Seta(HDC dc, TPincel& p, int s, double x0, double y0, double escala)
{
    const double pontos[7][2] = {{0.48, 0.64}, {0.66, 0.64}, {0.66, 0.52}, {0.92, 0.73},
                                 {0.66, 0.94}, {0.66, 0.82}, {0.48, 0.82}};
    POINT seta[7];
    for (int i = 0; i < 7; ++i) {
        seta[i].x = static_cast<LONG>(s * (x0 + (pontos[i][0] - 0.48) * escala));
        seta[i].y = static_cast<LONG>(s * (y0 + (pontos[i][1] - 0.52) * escala));
    }
    p.Usa(RGB(0x9a, 0x4a, 0x00), 1, RGB(0xf0, 0x8a, 0x12));
    Polygon(dc, seta, 7);
}

void DesenhaTarrow(HDC dc, TPincel& p, int s)
{
    p.Usa(RGB(0x1e, 0x6b, 0x3a), std::max(1, s / 16), RGB(0xf4, 0xf8, 0xf4));
    RoundRect(dc, 0, 0, s, s, s / 3, s / 3);
    // The cross, a little up and to the left to leave the corner to the arrow.
    p.Usa(RGB(0x1f, 0x9d, 0x4c), 1, RGB(0x1f, 0x9d, 0x4c));
    const int braco = std::max(2, s / 5), comprimento = s * 58 / 100, cx = s * 4 / 10, cy = s * 4 / 10;
    Rectangle(dc, cx - comprimento / 2, cy - braco / 2, cx + comprimento / 2, cy + braco / 2);
    Rectangle(dc, cx - braco / 2, cy - comprimento / 2, cx + braco / 2, cy + comprimento / 2);
    Seta(dc, p, s, 0.48, 0.52, 1.0);
}

void DesenhaEnviar(HDC dc, TPincel& p, int s) { Seta(dc, p, s, 0.02, 0.02, 2.2); }

void DesenhaVerificar(HDC dc, TPincel& p, int s)
{
    p.Usa(RGB(0x55, 0x3a, 0x10), 3, RGB(0x55, 0x3a, 0x10));
    MoveToEx(dc, s * 58 / 100, s * 58 / 100, nullptr);
    LineTo(dc, s - 2, s - 2);
    p.Usa(RGB(0x1f, 0x4e, 0x8c), 2, RGB(0xdd, 0xee, 0xff));
    Ellipse(dc, 1, 1, s * 70 / 100, s * 70 / 100);
}

template <typename Desenho>
TIcone Cria(int lado, Desenho desenho)
{
    HDC tela = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(tela);
    TObjetoGdi cor(CreateCompatibleBitmap(tela, lado, lado));
    TObjetoGdi mascara(CreateBitmap(lado, lado, 1, 1, nullptr));
    ReleaseDC(nullptr, tela);
    const RECT tudo{0, 0, lado, lado};

    HGDIOBJ antes = SelectObject(dc, cor.Handle());
    FillRect(dc, &tudo, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    {
        TPincel p(dc, false);
        desenho(dc, p, lado);
    }
    SelectObject(dc, mascara.Handle());
    FillRect(dc, &tudo, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        TPincel p(dc, true);
        desenho(dc, p, lado);
    }
    SelectObject(dc, antes);
    DeleteDC(dc);

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = static_cast<HBITMAP>(mascara.Handle());
    info.hbmColor = static_cast<HBITMAP>(cor.Handle());
    return TIcone(CreateIconIndirect(&info));
}

}  // namespace

TIcone IconeTarrow(int lado) { return Cria(lado, DesenhaTarrow); }
TIcone IconeEnviar() { return Cria(16, DesenhaEnviar); }
TIcone IconeVerificar() { return Cria(16, DesenhaVerificar); }

}  // namespace tarrow
