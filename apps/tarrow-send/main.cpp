// tarrow-send, the sender without a window: one send per run, for a scheduler or an operator
// at a terminal, over the same relay core, settings and files as the two windows.
#include "apps/tarrow-send/EnvioSemJanela.h"

#include <unistd.h>

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> argumentos(argv + 1, argv + argc);
    tarrow::InstalaSinaisDeParada();
    return tarrow::TarrowSend(argumentos, std::cout, std::cerr, ::isatty(STDOUT_FILENO) == 1);
}
