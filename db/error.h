#pragma once

#include <QString>
#include <stdexcept>

// Raised by the data layer when the engine rejects a statement or a file is not ours. It ends the
// handler that ran the statement; the application shows its text in the standard error box.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};
