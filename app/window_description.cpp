#include "app/window_description.h"

#include <array>

namespace dorvane {
namespace {

using enum ControlKind;
using enum Page;

constexpr std::array kControls{
    ControlDescription{Control::选择夹1, "选择夹1", kTabControl, kWindow, 1, 2, 424, 310, ""},
    ControlDescription{Control::编辑框_地址, "编辑框_地址", kEditBox, kResolve, 8, 32, 320, 24,
                       "https://pan.example.com/s/1a2B3c4D5e6F7g8H"},
    ControlDescription{Control::按钮1, "按钮1", kButton, kResolve, 336, 32, 72, 24, "一键解析"},
    ControlDescription{Control::编辑框_解析, "编辑框_解析", kMultiLineEditBox, kResolve, 8, 64, 400,
                       198, ""},
    ControlDescription{Control::超级链接框1, "超级链接框1", kHyperlink, kResolve, 231, 270, 176, 16,
                       "点击进入岚舟论坛,更多实用工具"},
    ControlDescription{Control::透明标签2, "透明标签2", kTransparentLabel, kResolve, 7, 289, 184,
                       16, ""},
    ControlDescription{Control::透明标签3, "透明标签3", kTransparentLabel, kResolve, 255, 288, 160,
                       21, "By:Orlen       V1.0"},
    ControlDescription{Control::时钟2, "时钟2", kTimer, kResolve, 288, 0, 32, 24, ""},
    ControlDescription{Control::标签2, "标签2", kLabel, kDownload, 16, 56, 64, 24, "下载路径："},
    ControlDescription{Control::编辑框_路径, "编辑框_路径", kEditBox, kDownload, 94, 57, 290, 24,
                       "D:\\tessory\\"},
    ControlDescription{Control::标签3, "标签3", kLabel, kDownload, 16, 98, 64, 24, "文件名称："},
    ControlDescription{Control::编辑框_名称, "编辑框_名称", kEditBox, kDownload, 93, 98, 290, 24,
                       ""},
    ControlDescription{Control::进度条1, "进度条1", kProgressBar, kDownload, 23, 199, 369, 15, ""},
    ControlDescription{Control::下载, "下载", kButton, kDownload, 96, 223, 224, 31, "下载"},
    ControlDescription{Control::透明标签4, "透明标签4", kTransparentLabel, kDownload, 52, 268, 312,
                       16, "本功能可能会出错，建议通过迅雷、旋风等下载引擎下载！"},
    ControlDescription{Control::时钟1, "时钟1", kTimer, kDownload, 360, 264, 32, 32, ""},
    // Last, so that it lies over the tab control on both pages.
    ControlDescription{Control::透明标签1, "透明标签1", kTransparentLabel, kWindow, 87, 130, 257,
                       54, ""},
};

static_assert(kControls.size() == static_cast<std::size_t>(Control::时钟1) + 1,
              "every control is described once");

}  // namespace

std::span<const ControlDescription> main_window_controls() {
  return kControls;
}

const ControlDescription& control_description(Control control) {
  for (const ControlDescription& description : kControls) {
    if (description.control == control) return description;
  }
  return kControls.front();  // unreachable: every Control is in the table
}

}  // namespace dorvane
