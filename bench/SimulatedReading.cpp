#include "SimulatedReading.h"

#include "follow/PhoneticKey.h"
#include "follow/ScriptTokenizer.h"
#include "follow/TextCharacters.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace tavilo::bench {

namespace {

const std::vector<std::string> kChineseWords = { "我们", "今天", "大家", "产品", "用户", "体验", "设计", "团队", "数据",
    "分析", "市场", "增长", "目标", "计划", "问题", "方案", "技术", "平台", "服务", "客户", "价值", "成本", "效率", "质量",
    "时间", "发展", "未来", "机会", "挑战", "合作", "创新", "能力", "系统", "功能", "版本", "发布", "测试", "反馈", "改进",
    "提升", "降低", "支持", "需要", "可以", "已经", "正在", "因为", "所以", "但是", "如果", "那么", "非常", "重要", "简单",
    "清楚", "具体", "一起", "每天", "每个", "第一", "第二", "最后", "首先", "其次", "同时", "然后", "接下来", "总结", "回顾",
    "过去", "一年", "季度", "报告", "结果", "表现", "指标", "收入", "利润", "预算", "资源", "项目", "阶段", "流程", "工具",
    "方法", "经验", "学习", "分享", "讨论", "决定", "选择", "方向", "战略", "重点", "核心", "优势", "风险", "安全", "稳定",
    "速度", "规模", "全球", "中国", "城市", "公司", "部门", "同事", "朋友", "伙伴", "社区", "内容", "视频", "直播", "演讲",
    "提词", "屏幕", "镜头", "声音", "语音", "识别", "跟随", "文字", "句子", "段落", "页面", "设置", "模式", "界面", "键盘",
    "快捷", "窗口", "菜单", "按钮", "开始", "暂停", "继续", "结束", "准备", "练习", "表达", "自然", "流畅", "节奏", "停顿",
    "观众", "听众", "故事", "例子", "细节", "变化", "趋势", "研究", "证明", "相信", "希望", "感谢", "欢迎", "介绍", "展示",
    "理解", "记住", "注意", "关键", "环节", "步骤", "原因", "影响", "作用", "意义", "情况", "条件", "标准", "要求", "规则" };
const std::vector<std::string> kChineseSingles = { "的", "了", "是", "在", "和", "有", "就", "也", "都", "会", "要",
    "把", "让", "给", "对", "从", "到", "这", "那", "很", "更", "最", "还", "又" };
const std::vector<std::string> kEnglishWords = { "AI", "Product", "Design", "Dashboard", "Roadmap", "performance",
    "cost", "API", "cloud", "mobile", "app", "demo", "feedback", "sprint", "launch", "release", "beta", "user",
    "growth", "metrics", "KPI", "OKR", "team", "workflow", "pipeline", "model", "data", "platform", "Teleprompter",
    "camera", "script", "meeting", "keynote", "slides", "summit", "partner", "budget", "review", "quarter", "iPhone",
    "MacBook", "GitHub", "Python", "Rust", "Linux", "server", "latency", "speech", "voice", "follow" };
const std::vector<std::string> kExtraCharacters = { "中", "钟", "终", "忠", "是", "事", "市", "式", "世", "他", "她",
    "它", "塔", "在", "再", "载", "的", "地", "得", "德", "为", "位", "未", "味", "有", "又", "右", "友", "做", "作", "坐",
    "座", "期", "其", "起", "气", "器", "公", "工", "功", "攻", "力", "利", "立", "理", "里", "新", "心", "信", "星",
    "行", "形", "型", "性", "长", "常", "场", "厂", "唱", "时", "实", "十", "石", "识", "视", "试", "示", "题", "提",
    "体", "替", "知", "之", "只", "支", "直", "值", "职", "经", "精", "京", "惊", "井", "景", "境", "镜", "静" };

std::string joinTokens(const std::vector<std::string>& tokens)
{
    std::string text;
    bool previousLatin = false;
    for (const auto& token : tokens) {
        const bool latin = !containsCJKScalar(token);
        if (latin && previousLatin)
            text += ' ';
        text += token;
        previousLatin = latin;
    }
    return text;
}

// A character from the unified ideographs that has a Mandarin reading: the pool real
// scripts draw their less common words from.
std::string wideCharacter(std::mt19937& random)
{
    while (true) {
        const char32_t c = 0x4E00 + random() % 0x5000;
        std::string character;
        character += static_cast<char>(0xE0 | (c >> 12));
        character += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        character += static_cast<char>(0x80 | (c & 0x3F));
        if (phoneticKey(character) != character)
            return character;
    }
}

} // namespace

std::string syntheticScript(int64_t targetTokens, uint32_t seed)
{
    std::mt19937 random(seed);
    auto pick = [&](const std::vector<std::string>& list) -> const std::string& { return list[random() % list.size()]; };
    std::string text;
    int64_t tokens = 0;
    while (tokens < targetTokens) {
        std::string paragraph;
        const int sentences = 3 + static_cast<int>(random() % 4);
        for (int s = 0; s < sentences; ++s) {
            const int words = 6 + static_cast<int>(random() % 12);
            bool previousLatin = false;
            for (int w = 0; w < words; ++w) {
                const auto roll = random() % 100;
                std::string word;
                bool startsLatin = false;
                bool endsLatin = false;
                if (roll < 40) {
                    word = pick(kChineseWords);
                } else if (roll < 68) {
                    // Less common words: two characters from a wide pool.
                    word = wideCharacter(random) + wideCharacter(random);
                } else if (roll < 82) {
                    word = pick(kChineseSingles);
                } else if (roll < 95) {
                    word = pick(kEnglishWords);
                    startsLatin = endsLatin = true;
                } else if (roll < 98) {
                    word = std::to_string(2 + random() % 98) + (random() % 2 ? "个" : "万");
                    startsLatin = true;
                } else {
                    word = std::to_string(2000 + random() % 30) + "年";
                    startsLatin = true;
                }
                if (startsLatin && previousLatin)
                    paragraph += ' ';
                paragraph += word;
                previousLatin = endsLatin;
                if (w + 1 < words && random() % 7 == 0) {
                    paragraph += "，";
                    previousLatin = false;
                }
            }
            paragraph += random() % 5 == 0 ? "？" : "。";
        }
        tokens += static_cast<int64_t>(tokenize(paragraph).size());
        if (!text.empty())
            text += '\n';
        text += paragraph;
    }
    return text;
}

Reading simulateReading(const std::string& text, const std::vector<ScriptToken>& tokens, const ReadingOptions& options)
{
    Reading reading;
    const auto count = static_cast<int64_t>(tokens.size());
    if (count == 0)
        return reading;
    std::mt19937 random(options.seed);
    auto chance = [&](double p) { return std::uniform_real_distribution<double>(0, 1)(random) < p; };
    auto between = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };

    // Sentence ends and paragraph starts, from the characters between tokens.
    const auto characters = splitCharacters(text);
    std::vector<bool> sentenceEnd(static_cast<size_t>(count), false);
    std::vector<int64_t> paragraphStarts = { 0 };
    for (int64_t i = 0; i < count; ++i) {
        const int64_t from = tokens[static_cast<size_t>(i)].end;
        const int64_t to = i + 1 < count ? tokens[static_cast<size_t>(i + 1)].start : static_cast<int64_t>(characters.size());
        bool newParagraph = false;
        for (int64_t c = from; c < to; ++c) {
            const auto ch = characters[static_cast<size_t>(c)];
            if (ch == "。" || ch == "！" || ch == "？" || ch == "." || ch == "!" || ch == "?" || ch == "\n")
                sentenceEnd[static_cast<size_t>(i)] = true;
            if (ch == "\n")
                newParagraph = true;
        }
        if (newParagraph && i + 1 < count)
            paragraphStarts.push_back(i + 1);
    }

    // Homophones among the characters the recogniser might confuse.
    std::map<std::string, std::vector<std::string>> byKey;
    std::set<std::string> pool(kExtraCharacters.begin(), kExtraCharacters.end());
    for (const auto& word : kChineseWords) {
        for (auto c : splitCharacters(word))
            pool.emplace(c);
    }
    for (const auto& token : tokens) {
        if (isSingleCJKCharacter(token.text))
            pool.insert(token.text);
    }
    std::vector<std::string> poolList(pool.begin(), pool.end());
    for (const auto& c : poolList)
        byKey[phoneticKey(c)].push_back(c);
    auto wrongToken = [&](const std::string& token) -> std::string {
        if (isSingleCJKCharacter(token)) {
            const auto& same = byKey[phoneticKey(token)];
            if (same.size() > 1 && chance(0.6)) {
                std::string other;
                do
                    other = same[random() % same.size()];
                while (other == token);
                return other;
            }
            return poolList[random() % poolList.size()];
        }
        if (token.size() >= 5 && chance(0.5)) {
            std::string misspelled = token;
            misspelled[random() % misspelled.size()] = static_cast<char>('a' + random() % 26);
            return misspelled;
        }
        return normalizeToken(kEnglishWords[random() % kEnglishWords.size()]);
    };

    // The speaker's timeline.
    int64_t skipFrom = -1;
    int64_t skipTo = -1;
    if (options.skipParagraph && paragraphStarts.size() >= 3) {
        const size_t middle = paragraphStarts.size() / 2;
        skipFrom = paragraphStarts[middle];
        skipTo = paragraphStarts[middle + 1];
    }
    double t = 0.5;
    int64_t sentenceStart = 0;
    bool rereadThisSentence = false;
    for (int64_t i = 0; i < count;) {
        if (i == skipFrom) {
            i = skipTo;
            sentenceStart = i;
            skipFrom = -1;
            t += between(0.4, 0.9);
            continue;
        }
        reading.spoken.push_back({ t, i });
        t += between(0.7, 1.3) / options.tokensPerSecond;
        if (sentenceEnd[static_cast<size_t>(i)]) {
            t += between(0.25, 0.6);
            if (!rereadThisSentence && chance(options.rereadRate)) {
                rereadThisSentence = true;
                i = sentenceStart;
                continue;
            }
            rereadThisSentence = false;
            sentenceStart = i + 1;
        }
        ++i;
    }

    // The recogniser: heard tokens per run, each partial a growing hypothesis.
    auto spokenAt = [&](double time) -> int64_t {
        auto it = std::upper_bound(reading.spoken.begin(), reading.spoken.end(), time,
            [](double value, const SpokenToken& s) { return value < s.time; });
        return it == reading.spoken.begin() ? 0 : std::prev(it)->index + 1;
    };
    std::vector<std::string> heard;
    double runStart = 0;
    double lastEmit = -1;
    auto emit = [&](double time, bool provisional) {
        std::vector<std::string> shown = heard;
        if (provisional && !shown.empty()) {
            const size_t rewritten = std::min<size_t>(shown.size(), 1 + random() % 2);
            for (size_t k = 0; k < rewritten; ++k)
                shown[shown.size() - 1 - k] = wrongToken(shown[shown.size() - 1 - k]);
        }
        reading.events.push_back({ ReadingEvent::Kind::partial, time, joinTokens(shown), spokenAt(time) });
        lastEmit = time;
    };
    for (size_t s = 0; s < reading.spoken.size(); ++s) {
        const auto& spoken = reading.spoken[s];
        const double arrival = spoken.time + options.latencySeconds;
        if (arrival - runStart > options.runSeconds) {
            reading.events.push_back({ ReadingEvent::Kind::runEnded, std::max(arrival - 0.05, lastEmit + 0.01), {}, 0 });
            // Audio spoken while the recogniser restarts is lost.
            runStart = reading.events.back().time + 0.3;
            heard.clear();
        }
        if (arrival < runStart)
            continue;
        const std::string& word = tokens[static_cast<size_t>(spoken.index)].text;
        if (chance(options.wordErrorRate)) {
            const auto kind = random() % 100;
            if (kind < 65) {
                heard.push_back(wrongToken(word)); // substitution or homophone
            } else if (kind < 82) {
                // dropped
            } else {
                heard.push_back(word);
                heard.push_back(wrongToken(word)); // invented
            }
        } else {
            heard.push_back(word);
        }
        // Partial results come every few hundred milliseconds, not for every token.
        const bool last = s + 1 == reading.spoken.size();
        const bool pauseFollows = !last && reading.spoken[s + 1].time - spoken.time > 0.4;
        if (!heard.empty() && (last || pauseFollows || arrival - lastEmit > 0.6 || chance(0.6)))
            emit(arrival, chance(options.rewriteRate));
    }
    if (!heard.empty())
        emit(reading.spoken.back().time + options.latencySeconds + 0.2, false);
    return reading;
}

} // namespace tavilo::bench
