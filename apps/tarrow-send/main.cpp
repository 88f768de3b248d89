// tarrow-send, the sender without a window: one send per run, for a scheduler or an operator
// at a terminal, over the same relay core, settings and files as the two windows.
#include "apps/tarrow-send/EnvioSemJanela.h"
#include "platform/Console.h"
#include "platform/ProgramStart.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    tarrow::LimitLibrarySearchToSystemFolder();
    const std::vector<std::string> argumentos = tarrow::ProgramArguments(argc, argv);
    tarrow::InstalaSinaisDeParada();
    const bool terminal = tarrow::PrepareTerminalOutput();
    try {
        tarrow::InitialiseProgramThread();
    } catch (const std::exception& e) {
        std::cerr << "Erro: " << e.what() << '\n';
        return tarrow::SaidaErro;
    }
    return tarrow::TarrowSend(argumentos, std::cout, std::cerr, terminal);
}
