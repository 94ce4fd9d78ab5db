// Component stream speed: a tree of 100,000 small components and one 100 MB binary property,
// written to and read from memory. No other program reads or writes this format, so there is no
// peer doing the same work: the bench prints MB/s and no ratio.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/ClassRegistry.h"
#include "platform/core/Component.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

class TBenchNode : public TComponent {
    QB_CLASS(TBenchNode, TComponent)
public:
    explicit TBenchNode(TComponent* owner) : TComponent(owner) {}
    ~TBenchNode() override { DestroyComponents(); }
    static void DeclareProperties(TPropertyDeclarer<TBenchNode>& p)
    {
        p.Integer("Value", &TBenchNode::Value).Default(0);
        p.Float("Weight", &TBenchNode::Weight);
        p.String("Caption", &TBenchNode::Caption);
    }
    void DefineProperties(TFiler& filer) override
    {
        filer.DefineBinaryProperty(
            "Blob", [this](TStream& s) { Blob.resize(static_cast<std::size_t>(s.Size())); s.ReadBuffer(Blob.data(), s.Size()); },
            [this](TStream& s) { s.WriteString(Blob); }, !Blob.empty());
    }
    bool HasParent() const override { return true; }
    void SetParentComponent(TComponent* parent) override
    {
        if (auto* node = dynamic_cast<TBenchNode*>(parent)) node->kids_.push_back(this);
    }
    void GetChildren(const TGetChildProc& proc, TComponent*) override
    {
        for (TBenchNode* kid : kids_) proc(kid);
    }
    int Value = 0;
    double Weight = 0;
    std::string Caption;
    std::string Blob;

private:
    std::vector<TBenchNode*> kids_;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

TComponentPtr<TBenchNode> MakeTree(int count)
{
    auto root = MakeComponent<TBenchNode>(nullptr);
    root->SetName("Root");
    TBenchNode* group = nullptr;
    for (int i = 0; i < count; ++i) {
        auto* node = new TBenchNode(root.get());
        node->SetName("Node" + std::to_string(i));
        node->Value = i;
        node->Weight = i * 0.5;
        node->Caption = "c" + std::to_string(i % 97);
        if (i % 100 == 0) {
            node->SetParentComponent(root.get());
            group = node;
        } else {
            node->SetParentComponent(group);
        }
    }
    return root;
}

struct Timing {
    double write = 0;
    double read = 0;
    std::size_t bytes = 0;
};

Timing RoundTrip(TBenchNode* root)
{
    Timing t;
    TMemoryStream stream;
    auto start = Clock::now();
    WriteComponentToStream(stream, root);
    t.write = Seconds(start);
    t.bytes = static_cast<std::size_t>(stream.Size());
    stream.SetPosition(0);
    start = Clock::now();
    TComponentPtr<TComponent> back(ReadComponentFromStream(stream, nullptr));
    t.read = Seconds(start);
    return t;
}

void Report(const char* what, const Timing& t)
{
    double mb = static_cast<double>(t.bytes) / 1e6;
    std::printf("%-28s %8.1f MB  write %8.1f MB/s  read %8.1f MB/s\n", what, mb, mb / t.write, mb / t.read);
}

}  // namespace

int main()
{
    RegisterClass(TBenchNode::StaticClass());
    auto tree = MakeTree(100000);
    Timing small = RoundTrip(tree.get());
    Report("tree of 100,000 components", small);
    tree.reset();

    TBenchNode holder(nullptr);
    holder.SetName("Holder");
    holder.Blob.assign(100u << 20, '\x5A');
    Timing big = RoundTrip(&holder);
    Report("100 MB binary property", big);

    std::printf("no peer reads or writes this format: no ratio\n");
    return 0;
}
