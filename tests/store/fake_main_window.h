#pragma once

// A browser document as the forms see it: it lends a library and counts what the forms ask of it.

#include "store/engine/engine.h"
#include "store/main_window.h"

#include <QList>
#include <QStringList>

namespace storetest {

class FakeMainWindow : public store::MainWindow {
public:
    engine::Database* database() const override { return db; }
    void addLibraryUser(store::LibraryUser* user) override { users << user; }
    void removeLibraryUser(store::LibraryUser* user) override { users.removeAll(user); }
    store::LibraryReplacement replaceLibrary(const std::function<bool(QString&)>&) override {
        return store::LibraryReplacement::Cancelled;
    }
    bool ReOpenDB(QString&, engine::Database*& database) override {
        database = db;
        return db != nullptr;
    }
    void SystemInit() override { ++systemInits; }
    void ProcRefresh(const QString& query = QString()) override { refreshes << query; }
    void StatusBar(const QString& message) override { status << message; }
    void ShowHelp(int) override {}
    void SetForSearch() override {}
    QString SearchSQL() const override { return search; }
    void setSearchSQL(const QString& sql) override { search = sql; }
    QPixmap LargeImage(const QString&) const override { return QPixmap(); }
    int CurrentCategoryKey() const override { return category; }
    int InstanceType() const override { return type; }
    QString InstanceName() const override { return name; }
    void DocInitialize() override { ++docInitializes; }
    QString DBFileName() const override { return db ? db->Name() : QString(); }

    engine::Database* db = nullptr;
    QList<store::LibraryUser*> users;
    int systemInits = 0, docInitializes = 0;
    QStringList refreshes, status;
    QString search;
    int category = 0;
    int type = 2;
    QString name = "\\(Client)";
};

}  // namespace storetest
