// The record helpers the document's files share: the project file and the
// masters clipboard file both hold customModel records.
#pragma once

#include "kernel/Cell.h"

namespace qm {

class GuidScope;
class Model;
class ModelDocument;

// True when record is a list whose head is the symbol.
bool HasHead(kest::Cell* record, kest::Symbol* head);
// A diagram's customModel record. The diagram classes write and check their
// own head; a plain model's record is the part after it.
kest::Cell* WriteModelRecord(ModelDocument* document, Model& model, GuidScope* scope);
// The same record printed to out as prettyprint prints it from column 0,
// one drawable's cells at a time.
void WriteModelRecord(ModelDocument* document, Model& model, GuidScope* scope, kest::Channel* out);
void ReadModelRecord(ModelDocument* document, Model& model, GuidScope* scope, kest::Cell* record);

} // namespace qm
