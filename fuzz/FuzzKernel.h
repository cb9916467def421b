// What the fuzz targets of the list syntax share: a quiet, headless process
// (log discarded, prompts answered with their defaults) with a fresh kernel
// whose heap is capped, a fixed host address for the id generator, the
// reading of every expression of an input, and the read-write-read check of
// a record reader or of a list of records.
#pragma once

#include "kernel/Kernel.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace fuzzsupport {

// Call once per process. Returns the prompt service; a target clears its
// record of questions for each input.
inline qm::HeadlessPrompts& StartQuietKernel(size_t blockLimit, bool readTimeEvaluation) {
    static qm::NullLogSink quiet;
    static qm::HeadlessPrompts prompts;
    qm::SetLogSink(&quiet);
    qm::SetPromptService(&prompts);
    kest::initkernel();
    kest::readtimeevaluation = readTimeEvaluation;
    kest::setblocklimit(blockLimit);
    return prompts;
}

// The loopback address, so that generated ids do not depend on the machine.
inline bool LoopbackHost(uint8_t address[4]) {
    const uint8_t bytes[4] = {127, 0, 0, 1};
    std::memcpy(address, bytes, 4);
    return true;
}

// Runs f; a failure it reports (the failure check or an error already
// shown) resets the kernel's stacks and answers false.
template <class F> bool Survive(F&& f) {
    try {
        f();
        return true;
    } catch (const qm::CKestException&) {
        kest::resetstacks();
    } catch (const qm::CIgnoreException&) {
        kest::resetstacks();
    }
    return false;
}

// Reads the input expression by expression (at most one per byte, so that a
// reader that consumes nothing cannot loop) and hands each value to take. A
// value that take refuses is dropped and the next one read; text the reader
// refuses ends the input. False when the reader refused text.
template <class Take> bool ForEachExpression(const uint8_t* data, size_t size, Take take) {
    kest::LocalChannel in(std::string(reinterpret_cast<const char*>(data), size), kest::ChanRead);
    return Survive([&] {
        for (size_t i = 0; i <= size; ++i) {
            kest::Cell* value = kest::readexpr(in.get());
            if (value == kest::KernelSyms.eof)
                return;
            Survive([&] { take(value); });
        }
    });
}

// The end of every read-write-read check: what was written first and what
// was written after reading it back must agree, else the input is a finding.
inline void RequireSameText(const std::string& first, const std::string& second) {
    if (first == second)
        return;
    std::fprintf(stderr, "written:\n%s\nread back and written:\n%s\n", first.c_str(),
                 second.c_str());
    std::abort();
}

// The read-write-read check of a record reader: first is the text written
// from what was read; readAndWrite reads first's value into fresh state and
// returns what that writes.
template <class ReadAndWrite>
void CheckRoundTrip(const std::string& first, ReadAndWrite readAndWrite) {
    kest::LocalChannel in(first, kest::ChanRead);
    RequireSameText(first, readAndWrite(kest::readexpr(in.get())));
}

// The records of objects (anything with Persist (scope, nil)), written in
// order as one list.
template <class List, class Scope> std::string WriteRecords(const List& objects, Scope& scope) {
    kest::Cell* list = kest::nil;
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        list = kest::mkcons((*it)->Persist(&scope, kest::nil), list);
    return kest::prettystring(list);
}

// The objects a read left with the scope's held objects, in order, as a list
// of their own class (every held object is one of them).
template <class List, class Held> List TakeHeld(Held& held) {
    using Object = typename List::value_type::element_type;
    List taken;
    for (auto& object : held)
        taken.emplace_back(static_cast<Object*>(object.release()));
    held.clear();
    return taken;
}

// Binds every object as a project's load does; false when a reference does
// not resolve, which fails the whole read (what was bound may point at what
// was not).
template <class List, class Scope> bool BindAll(const List& objects, Scope& scope) {
    for (const auto& object : objects) {
        if (!Survive([&] { object->ResolveRefs(nullptr, &scope, true); }))
            return false;
    }
    return true;
}

// The read-write-read check of a list of records: objects are written
// through scope; that text is read record by record with create into the
// fresh scope again, bound with bind (false: the input is a finding, since
// what was written must bind again) and written again: both texts must agree.
template <class List, class Scope, class Create, class Bind>
void CheckListRoundTrip(const List& objects, Scope& scope, Scope& again, Create create, Bind bind) {
    CheckRoundTrip(WriteRecords(objects, scope), [&](kest::Cell* value) {
        List copy;
        for (kest::Cell* at = value; at != kest::nil; at = kest::cdr(at)) {
            if (auto object = create(kest::car(at), &again))
                copy.push_back(std::move(object));
        }
        if (!bind(copy, again)) {
            std::fprintf(stderr, "what was written does not bind again\n");
            std::abort();
        }
        return WriteRecords(copy, again);
    });
}

} // namespace fuzzsupport
