#pragma once
// The exception an action raises, for tests that check its code and message; a test failure when
// the action raises none.

#include "mysql/CRVio.h"
#include "mysql/MySqlErrors.h"

#include <gtest/gtest.h>

namespace tarrow::test {

template <typename TError, typename TAction> TError Raised(TAction&& action, TError none)
{
    try {
        action();
    } catch (const TError& error) {
        return error;
    }
    ADD_FAILURE() << "the action raised nothing";
    return none;
}

template <typename TAction> EMySqlException RaisedMySqlError(TAction&& action)
{
    return Raised(action, EMySqlException(0, "(nothing raised)"));
}

template <typename TAction> SocketException RaisedSocketError(TAction&& action)
{
    return Raised(action, SocketException(0));
}

template <typename TAction> EArgumentException RaisedArgumentError(TAction&& action)
{
    return Raised(action, EArgumentException("(nothing raised)"));
}

} // namespace tarrow::test
