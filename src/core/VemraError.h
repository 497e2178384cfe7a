#pragma once
// A trapped run-time error: its number (9 for a range failure, 7 for memory, 5 for an invalid call, 6 for an
// overflow, 11 for a division by zero), description and source. Thrown inside a procedure, caught by its guard.
#include <QString>
#include <exception>

namespace vemra {

class VemraError : public std::exception {
public:
    VemraError(int number, QString description, QString source = QStringLiteral("Vemra"))
        : number_(number), description_(std::move(description)), source_(std::move(source)),
          what_(description_.toUtf8())
    {}
    int number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }
    const char* what() const noexcept override { return what_.constData(); }

    // The usual run-time errors by number.
    static VemraError range(const QString& what = QStringLiteral("Subscript out of range"))
    {
        return VemraError(9, what);
    }

private:
    int number_;
    QString description_;
    QString source_;
    QByteArray what_;
};

} // namespace vemra
