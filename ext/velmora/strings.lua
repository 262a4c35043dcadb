-- Every text the default scripts show. Script texts travel in the ANSI code
-- page (GBK), so this file is stored in GBK: edit it with an editor set to
-- that encoding (or convert with iconv -f UTF-8 -t GBK).
return {
  state = {
    queued = "等待中",
    running = "下载中",
    paused = "已暂停",
    done = "已完成",
    failed = "失败",
  },
  failedWith = "失败: %s",
  ready = "就绪",
  running = "%d 个任务正在下载，%d 个等待",
  totalSpeed = "总速度 %s",
  diskSpace = "可用空间 %s / %s",
  diskUnknown = "可用空间",
  added = "已添加 %d 个任务",
  rejected = "，%d 个链接无效已忽略",
  noLinks = "没有可下载的链接 (仅支持 http/https)",
  badHandover = "收到的链接无法使用: %s",
  confirmDelete = "确定删除选中的 %d 个任务吗？已下载的文件将保留。",
  confirmDeleteFiles = "确定删除选中的 %d 个任务及其文件吗？",
  databaseSetAside = "任务数据库无法读取，已另存为 %s，并新建了任务数据库。",
  databaseFailed = "无法打开任务数据库: %s",
  settingsSetAside = "设置文件无法读取，已另存为 %s，现使用默认设置。",
  settingsFailed = "无法保存设置: %s",
  engineMissing = "下载引擎不可用",
  clipboardOffer = "下载剪贴板中的链接吗？\n%s",
  finishedTitle = "下载完成",
  finishedText = "%s 已下载完成",
  saveFolder = "下载资料",
  computer = "默认位置",
}
