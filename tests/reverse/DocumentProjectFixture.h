// The fixture of the reverse engineer's tests on a real project document: the
// document fixture plus a new project on the built-in template whose one
// class diagram "Main" is the current model.
#pragma once

#include "drawables/Model.h"
#include "tests/document/DocumentFixture.h"

#include <gtest/gtest.h>

namespace qm::test {

class DocumentProjectTest : public DocumentTest {
  protected:
    std::unique_ptr<CCASEDoc> NewProject(bool hidden = true) {
        context.newProjectArmed = true;
        context.commandLineTemplate = "<Internal>";
        auto doc = NewDoc(hidden);
        EXPECT_TRUE(doc->OnNewDocument());
        Model* main = doc->NewModel(MkClass, nullptr);
        main->name = "Main";
        doc->SetCurrentModel(main);
        return doc;
    }
};

} // namespace qm::test
