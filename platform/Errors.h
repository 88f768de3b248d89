#pragma once
// The error families every layer raises. Each carries the message the operator will read; the
// window framework shows it as it stands (EAbort excepted, which nobody shows).

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace tarrow {

class TComponent;

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }
    // For a catcher that learns what the operator must also read (where a record was left) and
    // rethrows the same error, whose type its callers may still tell apart.
    void AppendMessage(const std::string& text) { message_ += text; }

private:
    std::string message_;
};

// A silent abort: it unwinds a handler but is never reported.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

class EConvertError : public Exception {
    using Exception::Exception;
};

class EIniFileException : public Exception {
    using Exception::Exception;
};

class EDatabaseError : public Exception {
    using Exception::Exception;
};

class EDAError : public EDatabaseError {
    using EDatabaseError::EDatabaseError;
};

// A statement the MySQL server or the protocol refused, raised on behalf of a database component.
class EMyError : public EDAError {
public:
    EMyError(int errorCode, std::string message, TComponent* component = nullptr);

    int ErrorCode() const noexcept { return errorCode_; }
    TComponent* Component() const noexcept { return component_; }
    // For a syntax error (1064): the last run of decimal digits in the text, the line the server
    // blames; 0 otherwise.
    int LineNumber() const noexcept { return lineNumber_; }

    bool IsConnectionLost() const noexcept;
    bool IsKeyViolation() const noexcept { return errorCode_ == 1062; }

private:
    int errorCode_;
    TComponent* component_;
    int lineNumber_ = 0;
};

// Errors inside the MySQL protocol: a client error code (2000..2047) or the server's own code.
class EMySqlException : public Exception {
public:
    EMySqlException(int errorCode, std::string message)
        : Exception(std::move(message)), errorCode_(errorCode) {}
    int ErrorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// A failure of the web service's HTTP transport; StatusCode is 0 unless an HTTP status caused it.
class ESOAPHTTPException : public Exception {
public:
    explicit ESOAPHTTPException(std::string message, int statusCode = 0)
        : Exception(std::move(message)), statusCode_(statusCode) {}
    int StatusCode() const noexcept { return statusCode_; }

private:
    int statusCode_;
};

// A SOAP fault sent back by the service.
class ERemotableException : public Exception {
public:
    explicit ERemotableException(std::string message, std::string faultCode = {},
                                 std::string faultActor = {}, std::string faultDetail = {})
        : Exception(std::move(message)), faultCode_(std::move(faultCode)),
          faultActor_(std::move(faultActor)), faultDetail_(std::move(faultDetail)) {}
    const std::string& FaultCode() const noexcept { return faultCode_; }
    const std::string& FaultActor() const noexcept { return faultActor_; }
    const std::string& FaultDetail() const noexcept { return faultDetail_; }

private:
    std::string faultCode_;
    std::string faultActor_;
    std::string faultDetail_;
};

class ESOAPDomConvertError : public Exception {
    using Exception::Exception;
};

class EDOMParseError : public Exception {
    using Exception::Exception;
};

// The text of an error raised on behalf of a component: its name, a colon and a blank in front.
std::string ComponentMessage(const TComponent* component, std::string_view text);

}  // namespace tarrow
