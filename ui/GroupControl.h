// CGroupControl: the container of the control tree.
//
// A group keeps an ordered list of children (drawn in list order, so the
// last is on top), passes input to them, draws, moves, shows and hides them
// together and forwards their notifications: a top-level group (no parent)
// hands every code to its screen, then to its parent if any. AddControl
// takes child coordinates relative to the group's top-left.
//
// Every walk over the children steps to the next node before acting on the
// current child, so a child may remove itself during the walk.
//
// Ownership: the group links its children but never deletes them; its
// destructor only unlinks them.
// Threads: main thread only.
#pragma once

#include "ui/Control.h"

class CGroupControl : public CControl
{
public:
    CGroupControl();
    ~CGroupControl() override;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Applied to the group and then to every child.
    void SetStyle(int verticalBar, int styleValue, std::uint32_t colour1, std::uint32_t colour2,
                  std::uint32_t colour3, std::uint32_t colour4) override;
    void SetUID(const CGuidKey& id) override;
    void Show() override;
    void Hide() override;
    void Render() override;
    void OnMouseOver() override {}
    void OnMouseOut() override {}
    void OnMouseRClick() override {}
    void OnMouseLClick() override {}
    void OnCommand(int code, int param) override;
    void ProcessMessages() override;
    void Move(int dx, int dy) override;

    virtual void Create(IUI* screen);
    virtual void Init(const plat::Rect& rect, IUI* screen);
    virtual void SetRectValue(const plat::Rect& rect) { m_Rect = rect; }
    virtual void AddControl(CControl* control);
    // As AddControl, without moving the control.
    virtual void AddControlAt(CControl* control);
    virtual void RemoveControl(CControl* control);
    // Mode 0 to the end (on top), 1 to the start (the last child keeps its
    // place), 2 swap with the next, 3 swap with the previous. False for a
    // control that is not a child or a mode above 3.
    virtual bool MoveControl(CControl* control, int mode);
    virtual void SetResult(int value) { m_iResult = value; }
    virtual int GetResult() { return m_iResult; }
    // Sets the rect and clips every child's right and bottom to it.
    virtual void SetRect(int left, int top, int right, int bottom);

    int GetChildCount() const;
    CControl* GetChild(int index) const;

    struct SNode
    {
        CControl* control;
        SNode* next;
        SNode* prev;
    };

    SNode* m_pFirst = nullptr;
    SNode* m_pLast = nullptr;
    int m_iGroupFlag = 1;
    int m_iResult = 0;

protected:
    SNode* FindNode(CControl* control) const;
    void Link(CControl* control);
};
