#include "ui/win32/Mensagens.h"

#include "ui/win32/Texto.h"

namespace tarrow {

namespace {

UINT Icone(TIconeMensagem icone)
{
    switch (icone) {
    case TIconeMensagem::Erro: return MB_ICONERROR;
    case TIconeMensagem::Aviso: return MB_ICONWARNING;
    case TIconeMensagem::Informacao: return MB_ICONINFORMATION;
    case TIconeMensagem::Pergunta: return MB_ICONQUESTION;
    }
    return 0;
}

}  // namespace

void TWin32Mensagens::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    MessageBoxW(dono_, Largo(texto).c_str(), Largo(titulo).c_str(), MB_OK | Icone(icone));
}

bool TWin32Mensagens::Pergunta(const std::string& texto, const std::string& titulo)
{
    return MessageBoxW(dono_, Largo(texto).c_str(), Largo(titulo).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace tarrow
