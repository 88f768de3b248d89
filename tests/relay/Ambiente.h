#pragma once
// The process's environment variables, which the programs read their deployment settings from;
// a program a test starts inherits them.

#include <cstdlib>
#include <string>

namespace tarrow::test {

// Sets the variable, or removes it when valor is null.
inline void DefineAmbiente(const std::string& nome, const char* valor)
{
#ifdef _WIN32
    // The C runtime's own call also changes the environment a started program inherits; an empty
    // value removes the variable.
    _putenv_s(nome.c_str(), valor != nullptr ? valor : "");
#else
    if (valor != nullptr) setenv(nome.c_str(), valor, 1);
    else unsetenv(nome.c_str());
#endif
}

}  // namespace tarrow::test
