// Component stream speed: a tree of 100,000 small components and one 100 MB binary property,
// written to and read from memory. No other program reads or writes this format, so reading is
// held against writing the same tree: the last line is "ratio: <read time / write time>", and
// the bench fails when the tree read back differs from the one written.
// Usage: bench_component_stream [components, default 100000].
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
    const std::vector<TBenchNode*>& Kids() const { return kids_; }
    int Value = 0;
    double Weight = 0;
    std::string Caption;
    std::string Blob;

private:
    std::vector<TBenchNode*> kids_;
};

[[noreturn]] void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

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

// Same names, values, owners and parents, node by node.
void Compare(const TBenchNode& written, const TComponent& read)
{
    auto* back = dynamic_cast<const TBenchNode*>(&read);
    if (!back) Fail(written.Name() + " came back as " + read.ClassName());
    if (back->Name() != written.Name() || back->Value != written.Value || back->Weight != written.Weight ||
        back->Caption != written.Caption || back->Blob != written.Blob)
        Fail(written.Name() + " came back as " + back->Name() + " with other values");
    if (back->ComponentCount() != written.ComponentCount())
        Fail(written.Name() + " owns " + std::to_string(written.ComponentCount()) + " components, read back " +
             std::to_string(back->ComponentCount()));
    if (back->Kids().size() != written.Kids().size()) Fail(written.Name() + " came back with other children");
    for (std::size_t i = 0; i < written.Kids().size(); ++i) Compare(*written.Kids()[i], *back->Kids()[i]);
}

struct Timing {
    double write = 1e9;
    double read = 1e9;
    std::size_t bytes = 0;
};

// The best of a few rounds: the machine may be busy with other work.
Timing RoundTrip(TBenchNode* root, int rounds)
{
    Timing t;
    for (int round = 0; round < rounds; ++round) {
        TMemoryStream stream;
        auto start = Clock::now();
        WriteComponentToStream(stream, root);
        t.write = std::min(t.write, Seconds(start));
        t.bytes = static_cast<std::size_t>(stream.Size());
        stream.SetPosition(0);
        start = Clock::now();
        TComponentPtr<TComponent> back(ReadComponentFromStream(stream, nullptr));
        t.read = std::min(t.read, Seconds(start));
        Compare(*root, *back);
    }
    return t;
}

void Report(const char* what, const Timing& t)
{
    double mb = static_cast<double>(t.bytes) / 1e6;
    std::printf("%-28s %8.1f MB  write %8.1f MB/s (%.4f s)  read %8.1f MB/s (%.4f s)\n", what, mb, mb / t.write,
                t.write, mb / t.read, t.read);
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (count < 1) Fail("components must be at least 1");
    RegisterClass(TBenchNode::StaticClass());
    auto tree = MakeTree(count);
    Timing small = RoundTrip(tree.get(), 7);
    Report(("tree of " + std::to_string(count) + " components").c_str(), small);
    tree.reset();

    TBenchNode holder(nullptr);
    holder.SetName("Holder");
    holder.Blob.assign(100u << 20, '\x5A');
    Timing big = RoundTrip(&holder, 2);
    Report("100 MB binary property", big);

    // No other program reads this format: reading the tree is held against writing it.
    std::printf("ratio: %.3f\n", small.read / small.write);
    return 0;
}
