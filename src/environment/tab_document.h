#pragma once
// The tab-document flag of the process: set once a tab document was seen here (a document
// printed or inserted as a tab sheet, a job whose page exception list holds a tab entry, or
// the tab file service at work), never cleared. The plug-in library then lingers a little
// before it answers that it may be unloaded, so that a tab file child can finish with it.
//
// It lives at this level so that the print stream and the tab file service can set it; the
// plug-in frame reads it through plugin/module.h. Each module that links this code has its
// own flag, as each has its own process-wide state.

namespace zenta::environment {

void mark_tab_document();
bool tab_document_seen();

}  // namespace zenta::environment
