#pragma once

#include <QString>

#include <exception>
#include <typeinfo>

// How unhandled errors are shown. By default the platform's standard display (a message box
// with the error's text); Start_XError switches to the mapping display, which rewrites each
// kind of error into a fixed Chinese explanation and shows it in the message dialog.

struct ErrorMapping
{
    bool mapped = false; // false: the error goes to the standard display
    QString text;
};

// The rewritten message of an error (without the type-names line).
ErrorMapping mapErrorMessage(const std::exception& error);
// "\r\nClassName:<type>; ClassParent:<parent type>", with demangled C++ names.
QString errorTypeNamesLine(const std::exception& error);
QString demangledTypeName(const std::type_info& type);

class ErrorDisplay
{
public:
    // Shows an error caught where events are delivered, through the handler in force.
    static void showUnhandled(std::exception_ptr error);
    // Start_XError: installs the mapping display (remembering the handler in force) and
    // switches the type-names line on. 1, or -1 when the handler cannot be created.
    static int start(const QString& text);
    // Shut_XError: puts the remembered handler back. Always 1.
    static int shut();
    // Show_XError: one error through the mapping display when started, else the standard
    // one; -1 when there is neither a handler nor an application.
    static int show(const std::exception* error);
    static bool mappingActive();

    // The two displays themselves.
    static void showStandard(const std::exception& error);
    static void showMapped(const std::exception& error);
};
