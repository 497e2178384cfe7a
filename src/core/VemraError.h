#pragma once
// A trapped run-time error: its number, description and source. Thrown inside a procedure, caught by its guard.
// The run-time errors the program raises are made by the named factories below, each with its one number and
// text.
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

    // The usual run-time errors.
    static VemraError invalidCall(const QString& what = QStringLiteral("Invalid procedure call or argument"))
    {
        return VemraError(5, what);
    }
    static VemraError outOfMemory() { return VemraError(7, QStringLiteral("Out of memory")); }
    static VemraError range(const QString& what = QStringLiteral("Subscript out of range"))
    {
        return VemraError(9, what);
    }
    static VemraError divisionByZero() { return VemraError(11, QStringLiteral("Division by zero")); }
    static VemraError typeMismatch() { return VemraError(13, QStringLiteral("Type mismatch")); }
    static VemraError fileNotFound() { return VemraError(53, QStringLiteral("File not found")); }
    static VemraError objectNotSet()
    {
        return VemraError(91, QStringLiteral("Object variable or With block variable not set"));
    }
    static VemraError overflow(const QString& what = QStringLiteral("Overflow")) { return VemraError(6, what); }
    static VemraError pathFileAccess(const QString& what = QStringLiteral("Path/File access error"))
    {
        return VemraError(75, what);
    }
    static VemraError duplicateKey()
    {
        return VemraError(457, QStringLiteral("This key is already associated with an element of this collection"));
    }
    static VemraError printerError(const QString& what = QStringLiteral("Printer error"))
    {
        return VemraError(482, what);
    }
    static VemraError elementNotFound(const QString& what = QStringLiteral("Element not found"))
    {
        return VemraError(35600, what);
    }
    static VemraError resourceNotFound(int id)
    {
        return VemraError(326, QStringLiteral("Resource with identifier '%1' not found").arg(id));
    }

private:
    int number_;
    QString description_;
    QString source_;
    QByteArray what_;
};

} // namespace vemra
