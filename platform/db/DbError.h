#pragma once
// The database layer's exception: every failure of the engine, a dataset or a table file.
#include <string>

#include "platform/core/SysUtils.h"

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

[[noreturn]] inline void DatabaseError(const std::string& message) { throw EDatabaseError(message); }
