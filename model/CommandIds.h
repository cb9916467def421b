// The command ids of every menu, tool bar, pop-up menu and palette: one name
// per number, written once in the list below, from which the enum and the
// table of known ids are both made. The list has no dependencies, so that the
// drawing tables below the windows can name the tool commands too.
#pragma once

#include <span>

namespace qm::cmd {

// QM_COMMAND_IDS(ID, RANGE): ID(name, number) names one command; RANGE(first,
// number, last, number) names both ends of a run of commands that one handler
// takes with the id (tools, recent files, tasks, colours).
#define QM_COMMAND_IDS(ID, RANGE)                                                                  \
    /* Application and document. */                                                                \
    ID(FileNew, 57600)                                                                             \
    ID(FileOpen, 57601)                                                                            \
    ID(FileClose, 57602)                                                                           \
    ID(FileSave, 57603)                                                                            \
    ID(FileSaveAs, 57604)                                                                          \
    ID(FilePrintSetup, 57606)                                                                      \
    ID(FilePrint, 57607)                                                                           \
    ID(FilePrintDirect, 57608)                                                                     \
    RANGE(FirstRecentFile, 57616, LastRecentFile, 57619)                                           \
    ID(AppAbout, 57664)                                                                            \
    ID(AppExit, 57665)                                                                             \
    ID(HelpContents, 33008)                                                                        \
    ID(HelpIndex, 57666)                                                                           \
    ID(FileSaveImage, 33071)                                                                       \
    /* Main frame. */                                                                              \
    ID(ToolsOptions, 32852)                                                                        \
    ID(ViewMiscToolBar, 33113)                                                                     \
    ID(ViewCustomToolBar, 32977)                                                                   \
    ID(ViewLogWindow, 32983)                                                                       \
    ID(RepositoryBrowse, 33073)                                                                    \
    ID(RepositoryCheckIn, 33088)                                                                   \
    ID(ZoomBox, 33065)                                                                             \
    RANGE(FirstTask, 13010, LastTask, 14000)                                                       \
    /* Model menu. */                                                                              \
    ID(ModelNew, 33033)                                                                            \
    ID(ModelExplode, 32843)                                                                        \
    ID(ModelImplode, 32844)                                                                        \
    ID(ModelSubmodel, 33019)                                                                       \
    ID(ModelBreakExplode, 33066)                                                                   \
    ID(ModelMoveUp, 33063)                                                                         \
    ID(ModelMoveDown, 33064)                                                                       \
    ID(BestPageMatrix, 32978)                                                                      \
    ID(RenumberMessages, 33110)                                                                    \
    ID(NewToolModel, 33104)                                                                        \
    ID(NewStereotypeModel, 33105)                                                                  \
    ID(SaveTemplate, 32981)                                                                        \
    ID(SwitchTemplate, 32982)                                                                      \
    /* Tools: the template's link and place tools, the fixed tools, the */                         \
    /* tool edit modes, the user tools and the library's symbols. */                               \
    RANGE(FirstLinkTool, 2000, LastPlaceTool, 2023)                                                \
    ID(ToolDesignEdit, 2030)                                                                       \
    ID(ToolIconEdit, 2031)                                                                         \
    ID(ModelEdit, 2032)                                                                            \
    ID(PointerTool, 32791)                                                                         \
    ID(TagTool, 32859)                                                                             \
    ID(LineTool, 32866)                                                                            \
    ID(PolylineTool, 32867)                                                                        \
    ID(TextTool, 32864)                                                                            \
    ID(RectangleTool, 32870)                                                                       \
    ID(RoundRectangleTool, 32973)                                                                  \
    ID(EllipseTool, 32874)                                                                         \
    ID(PolygonTool, 32875)                                                                         \
    ID(MessageTool, 32860)                                                                         \
    ID(SwimlaneTool, 33089)                                                                        \
    ID(JunctionTool, 33132)                                                                        \
    ID(IconTool, 32972)                                                                            \
    ID(ControlTools, 33140)                                                                        \
    ID(ExtraLinkTools, 33106)                                                                      \
    ID(ExtraPlaceTools, 33107)                                                                     \
    RANGE(FirstUserTool, 3000, LastUserTool, 4000)                                                 \
    ID(LibraryUseAsPrimitive, 11000)                                                               \
    ID(LibraryUseAsPlace, 11001)                                                                   \
    ID(LibraryLoad, 11002)                                                                         \
    ID(LibraryDropDown, 33028)                                                                     \
    RANGE(FirstLibrarySymbol, 11010, LastLibrarySymbol, 12000)                                     \
    /* Edit menu. */                                                                               \
    ID(EditUndo, 57643)                                                                            \
    ID(UndoButton, 33102)                                                                          \
    ID(EditRedo, 57644)                                                                            \
    ID(RedoButton, 33103)                                                                          \
    ID(EditCut, 57635)                                                                             \
    ID(EditCopy, 57634)                                                                            \
    ID(EditShallowCopy, 33115)                                                                     \
    ID(EditPaste, 57637)                                                                           \
    ID(EditDelete, 33000)                                                                          \
    ID(EditFind, 57636)                                                                            \
    ID(EditReplace, 57641)                                                                         \
    ID(EditProperties, 33004)                                                                      \
    ID(EditSelectAll, 57642)                                                                       \
    ID(SelectExplodes, 33009)                                                                      \
    /* Arrange menu. */                                                                            \
    ID(BringToFront, 32876)                                                                        \
    ID(SendToBack, 32877)                                                                          \
    ID(FlipHorizontal, 32880)                                                                      \
    ID(FlipVertical, 32881)                                                                        \
    ID(RotateRight, 32882)                                                                         \
    ID(RotateLeft, 32999)                                                                          \
    ID(GroupAsPrimitive, 32878)                                                                    \
    ID(GroupAsPlace, 32980)                                                                        \
    ID(Ungroup, 32879)                                                                             \
    ID(Reposition, 32884)                                                                          \
    ID(AutoSize, 33129)                                                                            \
    /* View menu. */                                                                               \
    ID(NormalSize, 33003)                                                                          \
    ID(ZoomIn, 33001)                                                                              \
    ID(ZoomInButton, 32857)                                                                        \
    ID(ZoomOut, 33002)                                                                             \
    ID(ZoomOutButton, 32858)                                                                       \
    ID(PanToSelected, 32979)                                                                       \
    ID(ShowPageBreaks, 32975)                                                                      \
    ID(ShowNamespaces, 33118)                                                                      \
    ID(ShowCardinalities, 33005)                                                                   \
    ID(HighlightGroups, 32948)                                                                     \
    ID(ShowHyperLinks, 33054)                                                                      \
    ID(Refresh, 32842)                                                                             \
    /* Looks menu and its tool-bar buttons. */                                                     \
    ID(LooksFillColor, 65535)                                                                      \
    ID(LooksLineColor, 32989)                                                                      \
    ID(LooksLineStyle, 32993)                                                                      \
    ID(LooksFont, 32991)                                                                           \
    ID(FillColorButton, 32886)                                                                     \
    ID(OutlineColorButton, 32887)                                                                  \
    ID(OutlinePatternButton, 32888)                                                                \
    ID(TextFontButton, 32971)                                                                      \
    ID(ApplyTemplate, 32992)                                                                       \
    ID(NormalLinks, 33014)                                                                         \
    ID(StepLinks, 33012)                                                                           \
    ID(CurveLinks, 32998)                                                                          \
    ID(Annotation, 33120)                                                                          \
    RANGE(FirstColor, 32804, MoreColor, 32839)                                                     \
    RANGE(FirstLineKind, 32949, LastLineKind, 32960)                                               \
    /* Tools menu. */                                                                              \
    ID(ClearComboHistories, 33059)                                                                 \
    ID(SetDefaultProject, 33057)                                                                   \
    ID(ResetDefaultProject, 33058)                                                                 \
    ID(GenerateCode, 32847)                                                                        \
    ID(GenerateDocumentation, 32848)                                                               \
    ID(RunOtherScript, 33015)                                                                      \
    ID(ImportProject, 33121)                                                                       \
    ID(ExportProject, 33122)                                                                       \
    ID(RunInDebugMode, 33126)                                                                      \
    ID(DefineNewTask, 33125)                                                                       \
    ID(OpenFileSeparately, 33011)                                                                  \
    ID(ReverseEngineer, 33013)                                                                     \
    ID(RedoLastReverse, 33117)                                                                     \
    ID(LoadReferenceProject, 33123)                                                                \
    /* The pop-up menu of the diagram view and the project panes. */                               \
    ID(PopupNewModel, 32963)                                                                       \
    ID(PopupCut, 32964)                                                                            \
    ID(PopupCopy, 32965)                                                                           \
    ID(PopupPaste, 32966)                                                                          \
    ID(PopupDelete, 32967)                                                                         \
    ID(PopupProperties, 32969)                                                                     \
    ID(PopupShallowCopy, 33116)                                                                    \
    ID(PopupCall, 33039)                                                                           \
    ID(PopupExplode, 33017)                                                                        \
    ID(PopupSubmodel, 33020)                                                                       \
    ID(PopupImplode, 33018)                                                                        \
    ID(PopupBreakExplode, 33067)                                                                   \
    /* The call menu of a message: an operation of its class, by number. */                        \
    RANGE(FirstCallOperation, 12010, LastCallOperation, 13000)                                     \
    /* The pop-up menu of the member pages. */                                                     \
    ID(MemberCut, 33046)                                                                           \
    ID(MemberCopy, 33047)                                                                          \
    ID(MemberPaste, 33048)                                                                         \
    ID(MemberCopyAll, 33050)

#define QM_COMMAND_ID(name, number) name = number,
#define QM_COMMAND_RANGE(first, firstNumber, last, lastNumber)                                     \
    first = firstNumber, last = lastNumber,
enum : int { QM_COMMAND_IDS(QM_COMMAND_ID, QM_COMMAND_RANGE) };
#undef QM_COMMAND_ID
#undef QM_COMMAND_RANGE

// One named command or run of commands: first == last for a single one.
struct KnownCommand {
    int first;
    int last;
    const char* name;
};

// Every command of the list, in the list's order.
std::span<const KnownCommand> KnownCommands();
// Whether id is a named command or lies in a named run.
bool IsKnownCommand(int id);

} // namespace qm::cmd
