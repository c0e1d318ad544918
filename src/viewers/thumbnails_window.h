#pragma once
// "Parcourir": the pictures of a list, twelve to a page, each scaled into
// its slot; a double click shows one at its natural size.

#include "thumbnails.h"

#include <QCache>
#include <QDialog>
#include <QStringList>
#include <functional>
#include <list>
#include <memory>

class QLabel;
class QPushButton;
class QToolButton;

namespace viewers {

class PictureBox;
class ThumbnailJob;

class ThumbnailsWindow : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kSlots = 12;
    explicit ThumbnailsWindow(QWidget* parent = nullptr);
    ~ThumbnailsWindow() override;

    void init(const QStringList& list);
    void showPage();
    void showPreviousPage();
    void showNextPage();
    void showFirstPage();
    void showLastPage();
    void zoom();

    const QStringList& list() const { return m_list; }
    int pageStart() const { return m_start; }
    int chosen() const { return m_chosen; }
    // Slot k (1 to 12): its picture box, its caption; whether it shows a picture.
    PictureBox* picture(int k) const;
    QLabel* caption(int k) const;
    bool pageComplete() const { return m_pending == 0; }
    bool busy() const { return !m_jobs.empty(); } // pictures being made

    QToolButton* firstButton;
    QToolButton* previousButton;
    QToolButton* nextButton;
    QToolButton* lastButton;
    QPushButton* closeButton;

  Q_SIGNALS:
    void pageShown();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void done(int r) override;

  private:
    void place(int k, const Thumbnail& t);
    void startJob(const QStringList& paths, std::function<void(const Thumbnail&)> ready);
    void stopJobs();
    void pageDone();
    void prefetch(int start);
    void doubleClicked(int k);
    void moveFrom(int k, int key);

    QStringList m_list;
    int m_start = 0, m_chosen = -1;
    int m_generation = 0, m_pending = 0;
    QStringList m_errors;
    QCache<QString, Thumbnail> m_cache{48};
    QSet<QString> m_decoding;
    std::list<std::unique_ptr<ThumbnailJob>> m_jobs; // the page's and the next one's
    PictureBox* m_pictures[kSlots];
    QLabel* m_captions[kSlots];
};

// A slot's picture box: the picture at its natural size, centred and cut
// off, or stretched to the box.
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent);
    void setThumbnail(const Thumbnail& t);
    void clear();
    bool hasPicture() const { return !m_image.isNull(); }
    const QImage& image() const { return m_image; }

  Q_SIGNALS:
    void doubleClicked(); // also Enter
    void arrow(int key);  // an arrow key, to move to the next slot

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

  private:
    QImage m_image;
};

} // namespace viewers
