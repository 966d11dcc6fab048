#include "forms/app.h"

namespace forms {

const char kErrWindowData[] = "载入窗口模板数据段出错!";
const char kErrStartupLoad[] = "载入启动窗口失败";
const char kErrNoSuchWindow[] = "未载入欲访问窗口组件所在的窗口";
const char kErrWindowNotLoaded[] = "指定窗口尚未载入";
const char kErrItemTarget[] = "指定窗口或窗口组件不存在或尚未载入";
const char kErrCaption[] = "错误";

std::string FatalText(const char* gbk_message) {
    std::string text = "运行时出错!\r\n\r\n错误信息：";
    text += gbk_message ? gbk_message : "";
    text += "\r\n";
    return text;
}

std::string AllocFailureMessage(std::size_t size) {
    // The size in full: a request above 2 GB must not show up as negative.
    return "分配 " + std::to_string(size) + " 字节内存失败!";
}

}  // namespace forms
