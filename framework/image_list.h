// Owner of an image list, destroyed with this object or by Destroy. A
// control given the list only borrows it, so the owner must outlive the
// control's use of it (a window destroys its lists in WM_DESTROY).
#pragma once

#include <windows.h>

#include <commctrl.h>

class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { Destroy(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  // flags: ILC_COLOR32 and the like. Replaces a list created before.
  bool Create(int width, int height, UINT flags, int initial, int grow);
  void Destroy();

  // Appends a copy of the icon; returns its index or -1.
  int Add(HICON icon);
  // Loads an icon resource at the list's image size, appends it and frees
  // the loaded icon again; returns its index or -1.
  int AddIconResource(HINSTANCE module, UINT iconId);
  COLORREF SetBkColor(COLORREF color) { return ImageList_SetBkColor(m_list, color); }
  int GetImageCount() const { return ImageList_GetImageCount(m_list); }

  HIMAGELIST Get() const { return m_list; }
  operator HIMAGELIST() const { return m_list; }

 private:
  HIMAGELIST m_list = nullptr;
};
