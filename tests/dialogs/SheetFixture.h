// The fixture of the sheet tests: the document fixture with the project of
// every record loaded, an object sheet over it and a headless prompt service
// that records what the sheet asked.
#pragma once

#include "dialogs/sheets/ObjSheet.h"
#include "document/CCASEDoc.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "platform/Prompt.h"
#include "tests/document/DocumentFixture.h"

#include <QTest>
#include <QWidget>

#include <memory>
#include <string>

namespace qm::test {

// A left click in the middle of widget, as the window system delivers it.
inline void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Types text into widget key by key.
inline void Type(QWidget* widget, const QString& text) {
    QTest::keyClicks(widget, text);
}

class SheetTest : public DocumentTest {
  protected:
    SheetTest() : promptScope(&prompts) {
        doc = Load(ReadWholeFile(QM_FIXTURES "/document/every_record.pro", 1 << 20).value_or(""));
        model = doc->FindModelByName("Classes");
        doc->SetCurrentModel(model);
        shapePlace = dynamic_cast<Place*>(doc->IdMap().Lookup("p-shape-00001"));
        circlePlace = dynamic_cast<Place*>(doc->IdMap().Lookup("p-circle-0001"));
        link = dynamic_cast<Link*>(doc->IdMap().Lookup("l-inherit-001"));
    }
    ~SheetTest() override { sheet.CloseSheet(false); }

    ObjectHandle Handle(ModelObject* object) { return ObjectHandle(object, &doc->IdMap()); }
    void OpenOn(const ObjectHandle& target, int kind, const ObjectHandle& place) {
        sheet.SetTargetObject(doc.get(), target, kind, true, true, place);
        sheet.show();
    }
    // The project's saved text without the modified flag's trace.
    std::string Saved() {
        const bool modified = doc->IsModified();
        doc->SetModifiedFlag(false);
        std::string text = doc->StoreText();
        doc->SetModifiedFlag(modified);
        return text;
    }

    HeadlessPrompts prompts;
    ScopedPromptService promptScope;
    std::unique_ptr<CCASEDoc> doc;
    Model* model = nullptr;
    Place* shapePlace = nullptr;
    Place* circlePlace = nullptr;
    Link* link = nullptr;
    CObjSheet sheet;
};

} // namespace qm::test
