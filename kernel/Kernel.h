// The KestScript kernel's public interface in one include: cells and the
// heap, symbols, channels, the reader, the printer and file header, the
// evaluator and initialisation.
#pragma once

#include "kernel/Cell.h"
#include "kernel/Channel.h"
#include "kernel/Errors.h"
#include "kernel/Eval.h"
#include "kernel/Init.h"
#include "kernel/Predefined.h"
#include "kernel/Printer.h"
#include "kernel/Reader.h"
#include "kernel/Symbol.h"
