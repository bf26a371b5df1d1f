// BodyBrowser: the read-only text browser in which both body panes show a mail body. What it
// adds to QTextBrowser, for either pane:
// - Nothing is loaded by itself: every resource the engine asks for goes to ServeResource,
//   which answers nothing unless the pane says otherwise, and links are not followed
//   (setOpenLinks(false)). A clicked link goes through the link policy: a bookmark scrolls,
//   "app:" does nothing, http, https and mailto are shown and opened on confirmation
//   through the pane's LinkHost, anything else is refused with a note.
// - White paper with black default text, whatever the desktop's theme: mail is written for
//   that.
// - Ctrl+F opens a find bar (Enter finds the next match, Shift+Enter the previous one,
//   Escape closes it); Ctrl+plus, Ctrl+minus and Ctrl+0 zoom the body.
#pragma once

#include <functional>

#include <QTextBrowser>

class QLabel;
class QLineEdit;
class QTextDocument;

namespace viewer::ui {

// What a pane does with a link the person may open.
class LinkHost {
  public:
    // Asks the person; true to open.
    virtual bool ConfirmLink(const QString& question) = 0;
    // Tells the person something (a link that is not opened).
    virtual void Notify(const QString& text) = 0;
    virtual void OpenLink(const QUrl& address) = 0;

  protected:
    ~LinkHost() = default;
};

class FindBar;

class BodyBrowser : public QTextBrowser {
    Q_OBJECT

  public:
    explicit BodyBrowser(QWidget* parent);
    ~BodyBrowser() override;

    void SetLinkHost(LinkHost* host) { m_linkHost = host; }
    // Hears every resource request the engine makes and whether it was served: a seam for
    // tests, which check that a body reaches nothing it should not.
    using ResourceObserver = std::function<void(int type, const QUrl& name, bool served)>;
    void SetResourceObserver(ResourceObserver observer)
    {
        m_resourceObserver = std::move(observer);
    }
    // What a click on `address` does (also reached by keyboard activation of a link).
    void FollowLink(const QUrl& address);

    // The colour the body is shown on: white, whatever the theme, unless the body has a page
    // colour of its own.
    void SetPaper(const QColor& color);

    // Whether text, not only a picture, is selected.
    bool HasTextSelection() const;

    // Zoom in steps from 50 to 300 percent; a new body keeps the zoom.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    int ZoomPercent() const { return m_zoom; }

    void ShowFindBar();
    // Finds the next (or previous) match, wrapping around the body; false when none is.
    bool FindText(const QString& text, bool backward);

    QVariant loadResource(int type, const QUrl& name) override;

  protected:
    // The answer to a resource request; nothing unless the pane serves it.
    virtual QVariant ServeResource(int type, const QUrl& name);
    // The address links of the body count as bookmarks against (the pane's own file).
    virtual QString BodyAddress() const { return {}; }
    // To be called once a new body is in the document: it takes the current zoom.
    void BodyLoaded();

    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void SetZoom(int percent);
    void PlaceFindBar();

    LinkHost* m_linkHost = nullptr;
    ResourceObserver m_resourceObserver;
    FindBar* m_findBar = nullptr;
    int m_zoom = 100;
};

// Multiplies every font size, picture size and fixed table width of `document` by `factor`.
void ScaleTextDocument(QTextDocument& document, double factor);

} // namespace viewer::ui
