#pragma once

class QWidget;

namespace plattera {

class Platform;
struct CoverInputs;
struct EditorState;

// The Print command: the print dialog, then both inserts on one page at their physical size on
// the printer or file chosen there, then what the user should know about the job. Nothing
// happens when the dialog is cancelled; a failing job throws CommandError.
void runPrintCommand(Platform& platform, QWidget* parent, const EditorState& state,
                     const CoverInputs& inputs);

} // namespace plattera
