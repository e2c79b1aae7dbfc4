#pragma once

#include <QString>
#include <stdexcept>

// An error that ends the operation in progress. The event handler that started the
// operation catches it and shows its text in the application's standard error box.
class AppError : public std::runtime_error {
  public:
    explicit AppError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

  private:
    QString m_message;
};
