#pragma once
// Batch moves: records of a source dataset into a destination, columns matched by name.
//   batAppend        appends every source record;
//   batUpdate        replaces the destination record with the same key, skips the others;
//   batAppendUpdate  replaces where the key exists, appends otherwise;
//   batDelete        deletes the destination records whose key a source record has;
//   batCopy          creates the destination anew with the source's fields, then appends.
// The key is the destination's index fields (IndexFieldNames of a table).
// A record the destination refuses (a value that does not fit) is a problem: with
// AbortOnProblem the move stops with the error, else the record is skipped and counted.
#include <memory>
#include <string>

#include "platform/db/DataSet.h"

class TTable;

enum TBatchMode { batAppend, batUpdate, batAppendUpdate, batDelete, batCopy };

// What a batch move needs of its destination besides its records, so that kinds of
// destination other than dBase tables can be added.
class TBatchDestination {
public:
    virtual ~TBatchDestination() = default;
    virtual TDataSet& DataSet() = 0;
    virtual std::string KeyFieldNames() const = 0;             // ';'-separated; "" when unindexed
    virtual void Recreate(TDataSet& source) = 0;              // empty, with the source's fields; closed
    virtual bool IsSameAs(const TDataSet& source) const = 0;  // the source's own records
    // Around the move's records: a destination may write its appends together.
    virtual void BeginAppends() {}
    virtual void EndAppends() {}
};

// The source's field definitions into a destination's, for a copy that creates it anew.
void CopyFieldDefs(TDataSet& source, TFieldDefs& defs);

// For IsSameAs: both paths name one existing file (through links or other spellings, too).
bool SameExistingFile(const std::string& first, const std::string& second);

// Recreate for a destination that makes its storage from FieldDefs with CreateTable.
template <class TableKind>
void RecreateWithFieldsOf(TableKind& table, TDataSet& source)
{
    table.Close();
    CopyFieldDefs(source, table.FieldDefs());
    table.CreateTable();
}

// A dBase table as destination.
class TTableDestination : public TBatchDestination {
public:
    explicit TTableDestination(TTable& table) : table_(table) {}
    TDataSet& DataSet() override;
    std::string KeyFieldNames() const override;
    void Recreate(TDataSet& source) override;
    bool IsSameAs(const TDataSet& source) const override;
    void BeginAppends() override;
    void EndAppends() override;

private:
    TTable& table_;
};

class TBatchMove : public TObject {
public:
    std::string ClassName() const override { return "TBatchMove"; }

    TDataSet* Source = nullptr;
    void SetDestination(TTable* table);
    void SetDestination(std::unique_ptr<TBatchDestination> destination) { destination_ = std::move(destination); }
    TBatchMode Mode = batAppend;
    bool AbortOnProblem = true;

    void Execute();
    int MovedCount() const { return movedCount_; }      // records appended, changed or deleted
    int ProblemCount() const { return problemCount_; }  // records skipped as problems

private:
    struct Run;
    std::unique_ptr<TBatchDestination> destination_;
    int movedCount_ = 0;
    int problemCount_ = 0;
};
