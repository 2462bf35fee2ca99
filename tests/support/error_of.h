#pragma once

#include "storage/errors.h"

#include <QString>

#include <functional>

// The message of the storage::Error that f throws, or "<no error>".
inline QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const storage::Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}
