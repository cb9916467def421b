// The fixture of the document's tests: the model fixture plus the user
// settings a document reads (a notation folder in the scratch folder, backups
// on), the private temporary folder in the scratch folder, the shared
// templates and scripted file dialogs.
#pragma once

#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "platform/Files.h"
#include "tests/support/ModelFixture.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace qm::test {

// File dialogs that answer from queues; an empty queue cancels.
struct ScriptedDialogs : FileDialogs {
    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        return Next(open);
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
        requests.push_back(request);
        return Next(save);
    }
    std::optional<std::string> ChooseTemplate(const std::string&, const std::string&) override {
        return Next(templates);
    }
    static std::optional<std::string> Next(std::deque<std::string>& queue) {
        if (queue.empty())
            return std::nullopt;
        std::string answer = queue.front();
        queue.pop_front();
        return answer;
    }
    std::deque<std::string> open;
    std::deque<std::string> save;
    std::deque<std::string> templates;
    std::vector<FileDialogRequest> requests;
};

class DocumentTest : public ModelTest {
  protected:
    DocumentTest() : runtime("XDG_RUNTIME_DIR", scratch.Path().c_str()) {
        settings.Language = "C++";
        settings.NotationFolder = scratch / "Notations";
        settings.DefaultNotation = "UML.not";
        settings.Options = BackupBeforeSave;
        MakeDirectories(settings.NotationFolder);
        context.profile = &settings;
        context.templates = &templates;
        context.dialogs = &dialogs;
    }

    std::unique_ptr<CCASEDoc> NewDoc(bool hidden = true) {
        return std::make_unique<CCASEDoc>(context, hidden);
    }
    // A document read from text; the test fails when it does not load.
    std::unique_ptr<CCASEDoc> Load(const std::string& text) {
        auto doc = NewDoc();
        doc->LoadText(text);
        return doc;
    }
    std::string WriteFile(const std::string& name, const std::string& text) {
        std::string path = scratch / name;
        EXPECT_TRUE(WriteFileReplacing(path, text));
        return path;
    }
    static std::string FileText(const std::string& path) {
        return ReadWholeFile(path, 1 << 24).value_or("<missing>");
    }

    ScopedEnvironment runtime;
    Profile settings;
    TemplateCache templates;
    ScriptedDialogs dialogs;
    DocumentContext context;
};

} // namespace qm::test
