// The preview's own help texts.
#include "TrpPreviewHelp.h"

namespace report {

QString PreviewHelpText(int helpNumber) {
    switch (helpNumber) {
    case kHelpZoom:
        return "Scale: shows the zoom and opens the zoom menu (also Space or a right click on "
               "the pages): a percentage, page width, whole page or two pages.";
    case kHelpLoad:
        return "Open report: shows a prepared report saved earlier (Ctrl+O).";
    case kHelpSave:
        return "Save report: keeps the prepared pages in a report file (Ctrl+S).";
    case kHelpPrint:
        return "Print report: prints the pages on a printer you choose (Ctrl+P).";
    case kHelpFind:
        return "Find text: finds a text on the pages (Ctrl+F); F3 finds the next one.";
    case kHelpExit:
        return "Close preview (Escape).";
    case kHelpPageLabel:
        return "The page shown and the number of pages. Ctrl+Page Up and Ctrl+Page Down go to "
               "the previous and next page, Ctrl+Home to the top, Ctrl+End to the last page.";
    case kHelpPageBox:
        return "The pages. Drag them with the left mouse button, scroll with the wheel or the "
               "arrow keys; a double click makes a page the current one.";
    default:
        return {};
    }
}

} // namespace report
