#include "framework/image_list.h"

bool CImageList::Create(int width, int height, UINT flags, int initial, int grow) {
  Destroy();
  m_list = ImageList_Create(width, height, flags, initial, grow);
  return m_list != nullptr;
}

void CImageList::Destroy() {
  if (m_list != nullptr) ImageList_Destroy(m_list);
  m_list = nullptr;
}

int CImageList::Add(HICON icon) {
  if (m_list == nullptr || icon == nullptr) return -1;
  return ImageList_AddIcon(m_list, icon);
}

int CImageList::AddIconResource(HINSTANCE module, UINT iconId) {
  int width = 0;
  int height = 0;
  if (m_list == nullptr || !ImageList_GetIconSize(m_list, &width, &height)) return -1;
  auto* icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  if (icon == nullptr) return -1;
  const int index = ImageList_AddIcon(m_list, icon);
  DestroyIcon(icon);
  return index;
}
