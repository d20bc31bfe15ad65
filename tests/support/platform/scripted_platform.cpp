#include "support/platform/scripted_platform.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPrinter>

#include <utility>

template <typename T> static std::optional<T> takeFront(std::deque<std::optional<T>>& queue)
{
    if (queue.empty())
        return std::nullopt;
    std::optional<T> answer = queue.front();
    queue.pop_front();
    return answer;
}

std::optional<QString>
ScriptedPlatform::choosePictureFile(QWidget*, const plattera::PictureDialogRequest& request)
{
    pictureRequests.push_back(request);
    return takeFront(pictureAnswers);
}

std::optional<plattera::FontChoice>
ScriptedPlatform::chooseFont(QWidget*, const plattera::FontChoice& initial)
{
    fontRequests.push_back(initial);
    return takeFront(fontAnswers);
}

std::optional<plattera::Colour> ScriptedPlatform::chooseColour(QWidget*, plattera::Colour initial)
{
    colourRequests.push_back(initial);
    return takeFront(colourAnswers);
}

bool ScriptedPlatform::setUpPrinter(QWidget*, QPrinter& printer, const QString& fileName)
{
    ++printRequests;
    proposedFile = fileName;
    const std::optional<QString> file = takeFront(printAnswers);
    if (!file)
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(*file);
    if (afterPrintDialog)
        std::exchange(afterPrintDialog, nullptr)();
    return true;
}

void ScriptedPlatform::showError(QWidget*, const QString& caption, const QString& text,
                                 const QString& details)
{
    errors.push_back({caption, text, details});
}

void ScriptedPlatform::openUrl(const QString& url)
{
    openedUrls.push_back(url);
}

void ScriptedPlatform::runModal(QDialog& dialog)
{
    modalWindows.push_back(&dialog);
    dialog.setModal(true);
    dialog.show();
    QCoreApplication::processEvents();
    if (!modalScripts.empty()) {
        std::function<void(QDialog&)> script = modalScripts.front();
        modalScripts.pop_front();
        script(dialog);
    }
    if (dialog.isVisible())
        dialog.reject();
    QCoreApplication::processEvents();
}
