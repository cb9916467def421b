// Script errors: the error table, the report in the log and the stack dump.
#include "kernel/Errors.h"
#include "kernel/LastError.h"

#include "kernel/Eval.h"
#include "kernel/Init.h"
#include "kernel/Printer.h"
#include "kernel/State.h"
#include "kernel/Symbol.h"
#include "platform/Format.h"
#include "platform/Log.h"

#include <string>

namespace kest {

namespace {

const char* const errortable[] = {
    "incorrect number of arguments",
    "bad parameter(s)",
    "evaluation stack overflow",
    "variable stack overflow",
    "argument stack overflow",
    "catch stack overflow",
    "memory space exhausted",
    "division by zero",
    "integer number expected",
    "real number expected",
    "number expected",
    "string expected",
    "channel expected",
    "bad channel",
    "dialog expected",
    "bad dialog",
    "symbol expected",
    "non-constant symbol expected",
    "non-nil list expected",
    "list expected",
    "object reference expected",
    "bad variable",
    "bad domain designator",
};

int measure(Cell* value, int limit) {
    return printval(PmPrint | PmMeasure, value, nullptr, limit);
}

// A script error raised while its report is being written (a value too
// deeply nested to print) abandons only that part of the report.
struct ReportAbandoned {};

std::string reportprint(Cell* value) {
    try {
        return printstring(value);
    } catch (const ReportAbandoned&) {
        return "...";
    }
}

} // namespace

int NestingGuard::depth_ = 0;

namespace {
std::string lastmessage;
} // namespace

const std::string& lasterror() {
    return lastmessage;
}

void clearlasterror() {
    lastmessage.clear();
}

NestingGuard::NestingGuard() {
    if (depth_ >= NestingLimit)
        scripterror(nullptr, "list nested too deeply");
    ++depth_;
}

const char* errortext(ErrorCode code) {
    return errortable[code];
}

void scripterror(Cell* form, ErrorCode code, Cell* value) {
    scripterror(form, errortable[code], value);
}

void scripterror(Cell* form, const char* message, Cell* value) {
    if (errorreporting)
        throw ReportAbandoned{};
    errorflags.occurred = true;
    lastmessage = message != nullptr ? message : "";
    if (errorflags.report) {
        struct ReportingScope {
            NestingReset budget;
            ReportingScope() { errorreporting = true; }
            ~ReportingScope() { errorreporting = false; }
        } scope;
        std::string text = "KestScript ERROR: ";
        if (form != nullptr)
            text += reportprint(form) + ": ";
        text += message;
        if (value != nullptr)
            text += ": " + reportprint(value);
        qm::Log().Show(true);
        qm::Log().Append(text);
        qm::Log().Append("\r\n");
        // An error outside any evaluation (a built-in called from C++) has
        // no stack to show.
        if (stacks.evaltop >= 0) {
            qm::Log().Append("Stack Dump follows:");
            qm::Log().Append("\r\n");
            stackdump(100);
        }
        stacks.evaltop = -1;
    }
    if (!errorflags.capturing)
        fatal("KestScript Error");
    throwto(nil, KernelSyms.errortag);
}

Cell* stackdump(int n) {
    Cell* inner = nullptr;
    for (int i = stacks.evaltop; n > 0 && i >= 0; --i, --n) {
        Cell* form = stacks.eval[i];
        std::string line = qm::Format("[%02d] ", i);
        if (!ispair(form)) {
            line += reportprint(form);
        } else {
            line += form->type == TSet ? "{" : "(";
            for (Cell* p = form; ispair(p); p = cdr(p)) {
                if (p != form)
                    line += " ";
                if (car(p) == inner && inner != nullptr) {
                    line += "<**>";
                    continue;
                }
                const int column = static_cast<int>(line.size());
                if (column + measure(car(p), LineWidth - column) > LineWidth) {
                    line += "...";
                    break;
                }
                line += reportprint(car(p));
            }
            line += form->type == TSet ? "}" : ")";
        }
        qm::Log().Append(line);
        qm::Log().Append("\r\n");
        inner = form;
    }
    return KernelSyms.t;
}

} // namespace kest
