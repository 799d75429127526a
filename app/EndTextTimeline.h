// CEndTextTimeline: the clock of the end text and its titles (the loop is
// CMMApp::ShowEndText): the ending picture's alpha, which text strip shows
// and how strongly, the titles' alpha and scroll, and where a skip (Escape
// or fire) jumps. The sequence ends once at least 5 seconds have passed and
// it is finished: by a skip after 65 seconds or after 360 seconds.
//
// Threads: main thread only.
#pragma once

class CEndTextTimeline
{
public:
    static constexpr float kMinimum = 5.0f;
    static constexpr float kEnd = 360.0f;
    static constexpr float kTitlesSpeed = 50.0f;

    // titlesHeight: the titles' height in pixels; screenHeight the screen's.
    CEndTextTimeline(int titlesHeight, int screenHeight) : m_nTitles(titlesHeight), m_nScreen(screenHeight) {}

    // A frame of dt seconds.
    void Advance(float dt);
    // Escape or fire: to the next slot (2, 20, 40, 60 s) or, after 65 s,
    // the end; elsewhere nothing.
    void Skip();
    bool IsDone() const { return m_fTime >= kMinimum && m_bFinished; }

    float Time() const { return m_fTime; }
    float PictureAlpha() const;
    // The strip shown (0-2, -1 none) and its alpha.
    int Strip() const;
    float StripAlpha() const;
    // The titles show after 60 s until they are done; their alpha and how
    // far (pixels) they have scrolled up.
    bool TitlesShown() const { return m_fTime > 60.0f && !m_bTitlesDone; }
    float TitlesAlpha() const;
    float TitlesScroll() const;
    bool TitlesDone() const { return m_bTitlesDone; }

private:
    int m_nTitles;
    int m_nScreen;
    float m_fTime = 0.0f;
    bool m_bTitlesDone = false;
    bool m_bFinished = false;
};
