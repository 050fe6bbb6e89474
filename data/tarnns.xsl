<?xml version="1.0" encoding="UTF-8"?>
<!--
  Turns a fetched channel into the plain shape the item bank merges:
    rss/channel with title, link, description, language, copyright, managingEditor, webMaster,
    pubDate, lastBuildDate, generator, docs, ttl, then one item per entry with title, link,
    description, author, category, guid and pubDate.
  Reads RSS 0.91/0.92/2.0, RSS 0.90 and 1.0 (RDF, Dublin Core) and Atom 0.3 and 1.0. Dates in
  ISO 8601 (Atom, dc:date) become the RFC 822 layout "Mon, 02 Oct 2006 13:00:00 GMT" with the
  clock time as written, so items keep their own dates.
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#"
    xmlns:rss1="http://purl.org/rss/1.0/"
    xmlns:rss090="http://my.netscape.com/rdf/simple/0.9/"
    xmlns:dc="http://purl.org/dc/elements/1.1/"
    xmlns:content="http://purl.org/rss/1.0/modules/content/"
    xmlns:atom="http://www.w3.org/2005/Atom"
    xmlns:atom03="http://purl.org/atom/ns#"
    exclude-result-prefixes="rdf rss1 rss090 dc content atom atom03">

  <xsl:output method="xml" encoding="UTF-8" indent="no"/>

  <xsl:template match="/">
    <rss version="2.0">
      <channel>
        <xsl:apply-templates select="rss/channel | rdf:RDF | atom:feed | atom03:feed"/>
      </channel>
    </rss>
  </xsl:template>

  <!-- RSS 0.91, 0.92, 2.0 -->
  <xsl:template match="rss/channel">
    <xsl:for-each select="title | link | description | language | copyright | managingEditor
                          | webMaster | lastBuildDate | category | generator | docs | ttl | rating">
      <xsl:element name="{local-name()}"><xsl:value-of select="."/></xsl:element>
    </xsl:for-each>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="rfc" select="pubDate"/>
      <xsl:with-param name="iso" select="dc:date"/>
    </xsl:call-template>
    <xsl:for-each select="item">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="title"/>
          <xsl:with-param name="link" select="link"/>
          <xsl:with-param name="plain" select="description"/>
          <xsl:with-param name="rich" select="content:encoded"/>
          <xsl:with-param name="author" select="(author | dc:creator)[1]"/>
          <xsl:with-param name="guid" select="guid"/>
          <xsl:with-param name="rfc" select="pubDate"/>
          <xsl:with-param name="iso" select="dc:date"/>
        </xsl:call-template>
        <xsl:for-each select="category | dc:subject">
          <category><xsl:value-of select="."/></category>
        </xsl:for-each>
        <xsl:apply-templates select="enclosure" mode="enclosure"/>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- RSS 0.90 and 1.0: channel and items are siblings under rdf:RDF -->
  <xsl:template match="rdf:RDF">
    <xsl:variable name="c" select="rss1:channel | rss090:channel"/>
    <title><xsl:value-of select="$c/rss1:title | $c/rss090:title"/></title>
    <link><xsl:value-of select="$c/rss1:link | $c/rss090:link"/></link>
    <description><xsl:value-of select="$c/rss1:description | $c/rss090:description"/></description>
    <xsl:if test="$c/dc:language"><language><xsl:value-of select="$c/dc:language"/></language></xsl:if>
    <xsl:if test="$c/dc:rights"><copyright><xsl:value-of select="$c/dc:rights"/></copyright></xsl:if>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="iso" select="$c/dc:date"/>
    </xsl:call-template>
    <xsl:for-each select="rss1:item | rss090:item">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="rss1:title | rss090:title"/>
          <xsl:with-param name="link" select="rss1:link | rss090:link"/>
          <xsl:with-param name="plain" select="rss1:description | rss090:description"/>
          <xsl:with-param name="rich" select="content:encoded"/>
          <xsl:with-param name="author" select="dc:creator"/>
          <xsl:with-param name="guid" select="@rdf:about"/>
          <xsl:with-param name="iso" select="dc:date"/>
        </xsl:call-template>
        <xsl:for-each select="dc:subject">
          <category><xsl:value-of select="."/></category>
        </xsl:for-each>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- Atom 1.0 -->
  <xsl:template match="atom:feed">
    <title><xsl:value-of select="atom:title"/></title>
    <link><xsl:value-of select="(atom:link[@rel='alternate' or not(@rel)])[1]/@href"/></link>
    <description><xsl:value-of select="atom:subtitle"/></description>
    <xsl:if test="atom:rights"><copyright><xsl:value-of select="atom:rights"/></copyright></xsl:if>
    <xsl:if test="atom:generator"><generator><xsl:value-of select="atom:generator"/></generator></xsl:if>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="iso" select="atom:updated"/>
    </xsl:call-template>
    <xsl:for-each select="atom:entry">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="atom:title"/>
          <xsl:with-param name="link" select="(atom:link[@rel='alternate' or not(@rel)])[1]/@href"/>
          <xsl:with-param name="plain" select="atom:summary"/>
          <xsl:with-param name="rich" select="atom:content"/>
          <xsl:with-param name="author"
              select="atom:author[1]/atom:name | ../atom:author[not(current()/atom:author)][1]/atom:name"/>
          <xsl:with-param name="guid" select="atom:id"/>
          <xsl:with-param name="iso" select="(atom:published | atom:updated)[1]"/>
        </xsl:call-template>
        <xsl:for-each select="atom:category">
          <category><xsl:value-of select="@term"/></category>
        </xsl:for-each>
        <xsl:apply-templates select="atom:link[@rel='enclosure']" mode="enclosure"/>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- Atom 0.3 -->
  <xsl:template match="atom03:feed">
    <title><xsl:value-of select="atom03:title"/></title>
    <link><xsl:value-of select="(atom03:link[@rel='alternate' or not(@rel)])[1]/@href"/></link>
    <description><xsl:value-of select="atom03:tagline"/></description>
    <xsl:if test="atom03:copyright"><copyright><xsl:value-of select="atom03:copyright"/></copyright></xsl:if>
    <xsl:call-template name="channel-date">
      <xsl:with-param name="iso" select="atom03:modified"/>
    </xsl:call-template>
    <xsl:for-each select="atom03:entry">
      <item>
        <xsl:call-template name="item-fields">
          <xsl:with-param name="title" select="atom03:title"/>
          <xsl:with-param name="link" select="(atom03:link[@rel='alternate' or not(@rel)])[1]/@href"/>
          <xsl:with-param name="plain" select="atom03:summary"/>
          <xsl:with-param name="rich" select="atom03:content"/>
          <xsl:with-param name="author"
              select="atom03:author[1]/atom03:name | ../atom03:author[not(current()/atom03:author)][1]/atom03:name"/>
          <xsl:with-param name="guid" select="atom03:id"/>
          <xsl:with-param name="iso" select="(atom03:issued | atom03:modified)[1]"/>
        </xsl:call-template>
      </item>
    </xsl:for-each>
  </xsl:template>

  <!-- An enclosure (a podcast's episode, a video, a file) as RSS 2.0 writes it; Atom's
       enclosure links take the same shape. Without an address there is nothing to keep. -->
  <xsl:template match="*" mode="enclosure">
    <xsl:variable name="url" select="normalize-space(@url | @href)"/>
    <xsl:if test="$url">
      <enclosure url="{$url}" type="{normalize-space(@type)}" length="{normalize-space(@length)}"/>
    </xsl:if>
  </xsl:template>

  <!-- The item's own fields; description is the richer (longer) of the two texts. -->
  <xsl:template name="item-fields">
    <xsl:param name="title"/>
    <xsl:param name="link"/>
    <xsl:param name="plain"/>
    <xsl:param name="rich"/>
    <xsl:param name="author"/>
    <xsl:param name="guid"/>
    <xsl:param name="rfc"/>
    <xsl:param name="iso"/>
    <title><xsl:value-of select="$title"/></title>
    <xsl:if test="string($link)"><link><xsl:value-of select="normalize-space($link)"/></link></xsl:if>
    <description>
      <xsl:choose>
        <xsl:when test="string-length($rich) &gt; string-length($plain)">
          <xsl:apply-templates select="$rich" mode="text"/>
        </xsl:when>
        <xsl:otherwise><xsl:apply-templates select="$plain" mode="text"/></xsl:otherwise>
      </xsl:choose>
    </description>
    <xsl:if test="string($author)"><author><xsl:value-of select="$author"/></author></xsl:if>
    <xsl:if test="string($guid)"><guid><xsl:value-of select="$guid"/></guid></xsl:if>
    <xsl:call-template name="date-element">
      <xsl:with-param name="rfc" select="$rfc"/>
      <xsl:with-param name="iso" select="$iso"/>
    </xsl:call-template>
  </xsl:template>

  <!-- Text content; XHTML content (Atom type="xhtml") is kept as markup text. -->
  <xsl:template match="*" mode="text">
    <xsl:choose>
      <xsl:when test="@type='xhtml' or @type='application/xhtml+xml'">
        <xsl:apply-templates select="node()" mode="markup"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="."/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>
  <xsl:template match="*" mode="markup">
    <xsl:value-of select="concat('&lt;', local-name())"/>
    <xsl:for-each select="@*">
      <xsl:value-of select="concat(' ', local-name(), '=&quot;')"/>
      <xsl:call-template name="escape"><xsl:with-param name="text" select="."/></xsl:call-template>
      <xsl:text>"</xsl:text>
    </xsl:for-each>
    <xsl:text>&gt;</xsl:text>
    <xsl:apply-templates select="node()" mode="markup"/>
    <xsl:value-of select="concat('&lt;/', local-name(), '&gt;')"/>
  </xsl:template>
  <!-- Text the author escaped stays text: its & < > " are written as references. -->
  <xsl:template match="text()" mode="markup">
    <xsl:call-template name="escape"><xsl:with-param name="text" select="."/></xsl:call-template>
  </xsl:template>

  <!-- Long texts are halved until a piece is short, so the recursion stays shallow; a piece
       without any of the four characters is written as it is. -->
  <xsl:template name="escape">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="not(contains($text, '&amp;') or contains($text, '&lt;')
                          or contains($text, '&gt;') or contains($text, '&quot;'))">
        <xsl:value-of select="$text"/>
      </xsl:when>
      <xsl:when test="string-length($text) &gt; 64">
        <xsl:variable name="half" select="floor(string-length($text) div 2)"/>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="substring($text, 1, $half)"/>
        </xsl:call-template>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="substring($text, $half + 1)"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="c" select="substring($text, 1, 1)"/>
        <xsl:choose>
          <xsl:when test="$c = '&amp;'">&amp;amp;</xsl:when>
          <xsl:when test="$c = '&lt;'">&amp;lt;</xsl:when>
          <xsl:when test="$c = '&gt;'">&amp;gt;</xsl:when>
          <xsl:when test="$c = '&quot;'">&amp;quot;</xsl:when>
          <xsl:otherwise><xsl:value-of select="$c"/></xsl:otherwise>
        </xsl:choose>
        <xsl:call-template name="escape">
          <xsl:with-param name="text" select="substring($text, 2)"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="channel-date">
    <xsl:param name="rfc"/>
    <xsl:param name="iso"/>
    <xsl:call-template name="date-element">
      <xsl:with-param name="rfc" select="$rfc"/>
      <xsl:with-param name="iso" select="$iso"/>
    </xsl:call-template>
  </xsl:template>

  <xsl:template name="date-element">
    <xsl:param name="rfc"/>
    <xsl:param name="iso"/>
    <xsl:choose>
      <xsl:when test="string($rfc)"><pubDate><xsl:value-of select="normalize-space($rfc)"/></pubDate></xsl:when>
      <xsl:when test="string($iso)">
        <pubDate><xsl:call-template name="rfc822"><xsl:with-param name="iso" select="normalize-space($iso)"/></xsl:call-template></pubDate>
      </xsl:when>
    </xsl:choose>
  </xsl:template>

  <!-- "2006-10-02T13:00:00+02:00" becomes "Mon, 02 Oct 2006 13:00:00 +0200". -->
  <xsl:template name="rfc822">
    <xsl:param name="iso"/>
    <xsl:variable name="y" select="number(substring($iso, 1, 4))"/>
    <xsl:variable name="m" select="number(substring($iso, 6, 2))"/>
    <xsl:variable name="d" select="number(substring($iso, 9, 2))"/>
    <xsl:choose>
      <xsl:when test="string($y) = 'NaN' or string($m) = 'NaN' or string($d) = 'NaN'
                      or $m &lt; 1 or $m &gt; 12">
        <xsl:value-of select="$iso"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:variable name="rest" select="substring($iso, 12)"/>
        <xsl:variable name="clock">
          <xsl:choose>
            <xsl:when test="string-length($rest) &gt;= 8 and substring($rest, 6, 1) = ':'">
              <xsl:value-of select="substring($rest, 1, 8)"/>
            </xsl:when>
            <xsl:when test="string-length($rest) &gt;= 5">
              <xsl:value-of select="concat(substring($rest, 1, 5), ':00')"/>
            </xsl:when>
            <xsl:otherwise>00:00:00</xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <xsl:variable name="zone">
          <xsl:choose>
            <xsl:when test="contains($rest, '+')">
              <xsl:value-of select="concat('+', translate(substring-after($rest, '+'), ':', ''))"/>
            </xsl:when>
            <xsl:when test="contains(substring($rest, 6), '-')">
              <xsl:value-of select="concat('-', translate(substring-after(substring($rest, 6), '-'), ':', ''))"/>
            </xsl:when>
            <xsl:otherwise>GMT</xsl:otherwise>
          </xsl:choose>
        </xsl:variable>
        <!-- Weekday by Sakamoto's method; 0 is Sunday. -->
        <xsl:variable name="yy" select="$y - ($m &lt; 3)"/>
        <xsl:variable name="offsets" select="'0 3 2 5 0 3 5 1 4 6 2 4 '"/>
        <xsl:variable name="tm" select="number(substring($offsets, 2 * $m - 1, 1))"/>
        <xsl:variable name="w" select="($yy + floor($yy div 4) - floor($yy div 100) + floor($yy div 400) + $tm + $d) mod 7"/>
        <xsl:value-of select="concat(substring('SunMonTueWedThuFriSat', 3 * $w + 1, 3), ', ',
                                     format-number($d, '00'), ' ',
                                     substring('JanFebMarAprMayJunJulAugSepOctNovDec', 3 * $m - 2, 3), ' ',
                                     $y, ' ', $clock, ' ', $zone)"/>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
