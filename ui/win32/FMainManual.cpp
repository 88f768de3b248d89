#include "ui/win32/FMainManual.h"

#include "platform/DateTime.h"
#include "ui/win32/Controles.h"
#include "ui/win32/Texto.h"

#include <commctrl.h>

namespace tarrow {

namespace {

namespace d = manual;

// Fixed single border, the system menu and the close button: no minimise or maximise button.
constexpr DWORD kEstilo = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

std::string TextoDe(HWND controle)
{
    std::wstring texto(static_cast<std::size_t>(GetWindowTextLengthW(controle)) + 1, L'\0');
    texto.resize(static_cast<std::size_t>(GetWindowTextW(controle, texto.data(), static_cast<int>(texto.size()))));
    return Estreito(texto);
}

// Positions inside the radio group are the group's own; the items are the window's children, so
// their clicks reach it.
TRetangulo NoGrupo(const TRetangulo& item)
{
    return {d::grpOpcao.Esquerda + item.Esquerda, d::grpOpcao.Topo + item.Topo, item.Largura, item.Altura};
}

}  // namespace

TDateTime DataDoCampo(HWND campo)
{
    SYSTEMTIME dia{};
    SendMessageW(campo, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&dia));
    return EncodeDate(dia.wYear, dia.wMonth, dia.wDay);
}

void DefineDataDoCampo(HWND campo, TDateTime dia)
{
    const TDateParts partes = DecodeDate(dia);
    SYSTEMTIME sistema{};
    sistema.wYear = static_cast<WORD>(partes.Year);
    sistema.wMonth = static_cast<WORD>(partes.Month);
    sistema.wDay = static_cast<WORD>(partes.Day);
    SendMessageW(campo, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&sistema));
}

TFMainManual::TFMainManual(const std::string& diretorio)
    : TJanelaPrincipal(TVariante::Manual, this, diretorio, kEstilo, d::kLarguraCliente, d::kAlturaCliente),
      imagemVerificar_(IconeVerificar()),
      imagemEnviar_(IconeEnviar())
{
    DefineTitulo(d::kTitulo);
    HWND janela = Handle();
    // Created in the tab order.
    grpOpcao = CriaControle(WC_BUTTONW, d::kTituloOpcao, WS_VISIBLE | BS_GROUPBOX, d::grpOpcao, janela, idGrpOpcao);
    for (int i = 0; i < 4; ++i) {
        const DWORD primeiro = i == 0 ? WS_GROUP | WS_TABSTOP : 0;
        opcoes[i] = CriaControle(WC_BUTTONW, d::kOpcoes[i], WS_VISIBLE | BS_AUTORADIOBUTTON | primeiro,
                                 NoGrupo(d::Opcao(i)), janela, idOpcao0 + i);
    }
    SendMessageW(opcoes[0], BM_SETCHECK, BST_CHECKED, 0);

    pnlDados = CriaControle(kClassePainel, "", WS_VISIBLE | WS_GROUP, d::pnlDados, janela, idPnlDados,
                            WS_EX_CONTROLPARENT);
    EditNumLanc = CriaControle(WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, d::EditNumLanc, pnlDados, idEditNumLanc,
                               WS_EX_CLIENTEDGE);
    FiltraDigitos(EditNumLanc);
    EditDia = CriaControle(DATETIMEPICK_CLASSW, "", WS_TABSTOP | DTS_SHORTDATEFORMAT, d::EditDia, pnlDados, idEditDia);
    EditAte = CriaControle(DATETIMEPICK_CLASSW, "", WS_TABSTOP | DTS_SHORTDATEFORMAT, d::EditAte, pnlDados, idEditAte);

    btnVerificar = CriaControle(WC_BUTTONW, d::kVerificar, WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON,
                                d::btnVerificar, janela, idBtnVerificar);
    btnEnviar = CriaControle(WC_BUTTONW, d::kEnviar, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, d::btnEnviar, janela,
                             idBtnEnviar);
    // A picture beside the caption needs the common controls of version 6 (the programs'
    // manifest asks for them).
    SendMessageW(btnVerificar, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(imagemVerificar_.Handle()));
    SendMessageW(btnEnviar, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(imagemEnviar_.Handle()));

    pnlGauge = CriaControle(kClassePainel, "", WS_VISIBLE | WS_GROUP, d::pnlGauge, janela, idPnlGauge,
                            WS_EX_CONTROLPARENT);
    Progresso = CriaControle(kClasseGauge, "", WS_VISIBLE, d::Progresso, pnlGauge, idProgresso);
    lblProgresso = CriaControle(WC_STATICW, d::kAguardando, WS_VISIBLE | SS_CENTER | SS_NOPREFIX, d::lblProgresso,
                                pnlGauge, idLblProgresso);
    IniciaProgresso(0, 100, 0);

    AjustaCampos();
}

void TFMainManual::FormCreate()
{
    Cria([] {});
}

void TFMainManual::FormShow()
{
    Manipula([this] {
        const TDateTime hoje = Date();
        DefineDataDoCampo(EditDia, hoje);
        DefineDataDoCampo(EditAte, hoje);
        AjustaCampos();
    });
}

TOpcaoEnvio TFMainManual::Opcao() const
{
    for (int i = 0; i < 4; ++i)
        if (SendMessageW(opcoes[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<TOpcaoEnvio>(i);
    return TOpcaoEnvio::NumeroLancamento;
}

std::string TFMainManual::NumeroLancamento() const { return TextoDe(EditNumLanc); }
TDateTime TFMainManual::DataInicial() const { return DataDoCampo(EditDia); }
TDateTime TFMainManual::DataFinal() const { return DataDoCampo(EditAte); }

void TFMainManual::AjustaCampos()
{
    const d::TCampos campos = d::CamposDaOpcao(Opcao());
    SetWindowTextW(pnlDados, Largo(campos.Aviso).c_str());
    ShowWindow(EditNumLanc, campos.NumLanc ? SW_SHOW : SW_HIDE);
    ShowWindow(EditAte, campos.Ate ? SW_SHOW : SW_HIDE);
    ShowWindow(EditDia, campos.Dia ? SW_SHOW : SW_HIDE);
    if (campos.Dia)
        SetWindowPos(EditDia, nullptr, campos.EsquerdaDia, d::EditDia.Topo, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (campos.Ate)
        SetWindowPos(EditAte, nullptr, d::EditAte.Esquerda, d::EditAte.Topo, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

bool TFMainManual::ValidaDados() { return tarrow::ValidaDados(*this, *this); }

void TFMainManual::btnVerificarClick()
{
    Manipula([this] { VerificaPendentes(*this, Logica(), *this); });
}

void TFMainManual::btnEnviarClick()
{
    Manipula([this] { EnviaConfirmado(*this, Logica(), *this, enviando_); });
}

void TFMainManual::Foca(TCampoFoco campo) { SetFocus(campo == TCampoFoco::NumLanc ? EditNumLanc : EditAte); }

void TFMainManual::HabilitaBotoes(bool habilitados)
{
    EnableWindow(btnEnviar, habilitados);
    EnableWindow(btnVerificar, habilitados);
}

void TFMainManual::ReiniciaProgresso()
{
    SendMessageW(Progresso, PBM_SETPOS, static_cast<WPARAM>(SendMessageW(Progresso, PBM_GETRANGE, TRUE, 0)), 0);
    SetWindowTextW(lblProgresso, Largo(d::kAguardando).c_str());
}

void TFMainManual::IniciaProgresso(int minimo, int maximo, int posicao)
{
    SendMessageW(Progresso, PBM_SETRANGE32, static_cast<WPARAM>(minimo), static_cast<LPARAM>(maximo));
    SendMessageW(Progresso, PBM_SETPOS, static_cast<WPARAM>(posicao), 0);
}

void TFMainManual::AvancaProgresso(const std::string& texto)
{
    SetWindowTextW(lblProgresso, Largo(texto).c_str());
    const int maximo = static_cast<int>(SendMessageW(Progresso, PBM_GETRANGE, FALSE, 0));
    const int posicao = static_cast<int>(SendMessageW(Progresso, PBM_GETPOS, 0, 0));
    SendMessageW(Progresso, PBM_SETPOS, static_cast<WPARAM>(posicao < maximo ? posicao + 1 : maximo), 0);
    // Once per sale: the window repaints and takes input (the buttons are disabled meanwhile).
    ProcessaMensagens();
}

LRESULT TFMainManual::Trata(UINT mensagem, WPARAM w, LPARAM l)
{
    switch (mensagem) {
    case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED) {
            const int id = LOWORD(w);
            if (id >= idOpcao0 && id < idOpcao0 + 4) AjustaCampos();
            else if (id == idBtnVerificar) btnVerificarClick();
            else if (id == idBtnEnviar) btnEnviarClick();
            return 0;
        }
        break;
    case WM_SHOWWINDOW:
        // Shown by the program (not restored by the system): the form's show handler.
        if (w != 0 && l == 0) FormShow();
        break;
    case WM_CLOSE:
        if (enviando_) {
            // The send runs to its end and says so; the window closes after that.
            FechaAoTerminar();
            return 0;
        }
        DestroyWindow(Handle());
        return 0;
    default: break;
    }
    return TJanelaPrincipal::Trata(mensagem, w, l);
}

}  // namespace tarrow
