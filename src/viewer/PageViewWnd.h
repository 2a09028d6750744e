// The page viewer: child window 1002 of the main window, shown while a book
// is open. Every frame is composed off-screen and copied in one piece.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "book/BookState.h"
#include "book/PageImage.h"
#include "platform/Device.h"
#include "settings/TextConversion.h"
#include "settings/ViewOption.h"

namespace inkvista {

// The viewer works in a fixed window, whatever the screen measures.
constexpr int kViewWidth = 240;
constexpr int kViewHeight = 320;

class PageViewWnd : public QWidget {
    Q_OBJECT

  public:
    explicit PageViewWnd(Device& device);
    ~PageViewWnd() override;

    // Window creation: hidden child at `rect` with id `id`.
    bool Create(const QRect& rect, int id);

    // Opens `fileName` of folder slot `slotNumber` (1..5); no page is loaded.
    // On false the message has been shown.
    bool OpenBook(std::u16string_view fileName, int slotNumber, BookKind kind,
                  const BookFolders& folders, TextConversion conversion);
    // Decodes page `currentPage` with the viewer's settings copies.
    bool LoadPage();

    // Frees the open book's page table and page buffers and stops auto
    // scroll; the caller then goes back to the library. The page-jump and
    // page-button repeat timers come with the viewer's navigation.
    void CloseBook();

    // Auto scroll on or off. The timer and the back-light come with the
    // auto-scroll support; so far only the flag changes.
    void ToggleAutoScroll();

    // Composes one frame into backBitmap (240 × 320) and answers it.
    const QImage& ComposeFrame();

    bool bookOpen() const { return bookOpen_; }
    int32_t currentPage() const { return image.currentPage; }

    // Open book, page image and settings copies.
    BookState book;
    PageImage image;
    ViewOption viewOption;
    KeyMap keyMap;
    // Reading state.
    int menuShown = 1;
    int lastPageNotice = 0;
    int jumpPanelShown = 0;
    int32_t jumpTarget = 0;
    // Auto scroll.
    int autoScrollOn = 0;
    // Hardware buttons the main window posted (WM_USER + 2), oldest first;
    // acting on them comes with the viewer's input handling.
    std::vector<uint32_t> hotKeyMessages;
    // Off-screen frame.
    QImage backBitmap;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void DrawPage(QImage& target) const;

    Device& device_;
    bool bookOpen_ = false;
};

}  // namespace inkvista
