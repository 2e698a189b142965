#include "ConsoleLog.h"

#include "foundation/Log.h"
#include "foundation/LogWindowLines.h"

#include <iostream>
#include <mutex>
#include <string>

namespace korvel::cli {

namespace {

// The pane calls its observer for the first line of each batch, on the logging thread and outside its own lock.
// Taking the batch and writing it under one lock keeps the batches in the order they were taken; a thread whose
// line arrives meanwhile waits here and then writes its own batch.
void WritePending(TLogWindowLines& ALines, std::ostream& AOut)
{
    static std::mutex writeLock;
    std::lock_guard lock(writeLock);
    std::string text;
    for (const std::string& line : ALines.TakePending())
        text += line + '\n';
    if (text.empty())
        return;
    AOut.write(text.data(), static_cast<std::streamsize>(text.size()));
    AOut.flush();
}

}  // namespace

TConsoleLog::TConsoleLog(std::ostream& AOut) : FLines(std::make_shared<TLogWindowLines>()), FOut(AOut)
{
    // The pane owns its observer, so the observer holds it by a plain pointer: it only runs inside the pane's
    // Append, while the appending thread holds the pane.
    TLogWindowLines* lines = FLines.get();
    std::ostream* out = &AOut;
    FLines->SetObserver([lines, out] { WritePending(*lines, *out); });
    TLog::AttachWindowLines(FLines);
}

TConsoleLog::TConsoleLog() : TConsoleLog(std::cerr)
{
}

void TConsoleLog::ClearWhenFull()
{
    if (FLines->Count() >= FullPaneLines)
        FLines->Clear();
}

TConsoleLog::~TConsoleLog()
{
    TLog::DetachWindowLines();
    WritePending(*FLines, FOut);
}

}  // namespace korvel::cli
